#include "buffer.h"

#include "qvexception.h"

#include <windows.h>

namespace QvBase
{
void CBuffer<wchar_t>::Resize(size_t newCount)
{
    elements.reset();
    count = 0;
    if (newCount == 0)
        return;
    // calloc zero-fills and refuses a byte count that would overflow.
    elements.reset(static_cast<wchar_t*>(std::calloc(newCount, sizeof(wchar_t))));
    if (!elements)
        ThrowError(ERROR_OUTOFMEMORY, L"Common/QvBaseLib/buffer", 84,
                   L"QvBase::CBuffer<wchar_t>::Resize");
    count = newCount;
}
} // namespace QvBase
