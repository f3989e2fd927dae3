#include "Guid.h"

#include <objbase.h>

namespace QvBase
{
CGuid::CGuid()
{
    GUID made = {};
    if (SUCCEEDED(CoCreateGuid(&made)))
    {
        guid = made;
        valid = true;
    }
}

std::wstring CGuid::ToString() const
{
    wchar_t text[39] = {};
    if (StringFromGUID2(guid, text, 39) == 0)
        return std::wstring();
    return text;
}
} // namespace QvBase
