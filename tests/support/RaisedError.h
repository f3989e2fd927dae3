#pragma once

// Test helper: the code of the error a call raises, for the tests that need
// only that.
#include "qvexception.h"

namespace QvTest
{
// The code of the CQvError the call raises; 0 when it raises none.
template <typename Call> unsigned int CodeOfErrorRaisedBy(Call&& call)
{
    try
    {
        call();
    }
    catch (const QvBase::CQvError& error)
    {
        return error.Code();
    }
    return 0;
}
} // namespace QvTest
