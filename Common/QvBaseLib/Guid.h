#pragma once

#include <windows.h>

#include <string>

namespace QvBase
{
// A freshly made GUID and its registry text.
class CGuid
{
public:
    // Made with CoCreateGuid; on failure the GUID stays zero and not valid.
    CGuid();
    virtual ~CGuid() = default;

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", or "" when it cannot be made.
    std::wstring ToString() const;
    const GUID& Get() const { return guid; }
    bool IsValid() const { return valid; }

private:
    GUID guid = {};
    bool valid = false;
};
} // namespace QvBase
