#include "TraceLogFile.h"

#include "UniqueResource.h"

#include <sddl.h>

namespace QvBase
{
namespace
{
// No owner; group BUILTIN\Administrators; full access, inherited by files and
// folders, for Local System, Everyone, Administrators and both kinds of
// application packages.
constexpr const wchar_t* kLogDirectorySddl = L"G:S-1-5-32-544"
                                             L"D:(A;OICI;GA;;;S-1-5-18)"
                                             L"(A;OICI;GA;;;S-1-1-0)"
                                             L"(A;OICI;GA;;;S-1-5-32-544)"
                                             L"(A;OICI;GA;;;S-1-15-2-1)"
                                             L"(A;OICI;GA;;;S-1-15-2-2)";

class CLogDirectorySecurity
{
public:
    CLogDirectorySecurity()
    {
        attributes.nLength = sizeof(attributes);
        attributes.bInheritHandle = TRUE;
        ConvertStringSecurityDescriptorToSecurityDescriptorW(kLogDirectorySddl, SDDL_REVISION_1,
                                                             descriptor.Put(), nullptr);
        attributes.lpSecurityDescriptor = descriptor.Get();
    }

    SECURITY_ATTRIBUTES* Get() { return &attributes; }

private:
    CUniqueLocal descriptor;
    SECURITY_ATTRIBUTES attributes = {};
};

HANDLE OpenOnce(const std::wstring& path, bool truncate)
{
    return CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       truncate ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}
} // namespace

bool CreateTraceDirectories(const std::wstring& input)
{
    // Paths are handled in buffers of 520 characters.
    std::wstring path = input.substr(0, 519);
    // Skip the root: "C:\" or, for a network path, "\\server\".
    const size_t rootEnd = path.find(L'\\', !path.empty() && path[0] == L'\\' ? 3 : 0);
    if (rootEnd == std::wstring::npos || rootEnd + 1 >= path.size())
        return false;

    CLogDirectorySecurity security;
    for (size_t i = rootEnd + 1; i < path.size(); ++i)
    {
        if (path[i] == L'/')
            path[i] = L'\\';
        if (i + 1 < path.size() && IsSeparator(path[i + 1]))
        {
            const std::wstring dir = path.substr(0, i + 1);
            if (!CreateDirectoryW(dir.c_str(), security.Get()) &&
                GetLastError() != ERROR_ALREADY_EXISTS)
                return false;
        }
    }
    return true;
}

HANDLE OpenTraceLogFile(const std::wstring& path, bool truncate)
{
    HANDLE file = OpenOnce(path, truncate);
    if (file == INVALID_HANDLE_VALUE && CreateTraceDirectories(path))
        file = OpenOnce(path, truncate);
    return file;
}
} // namespace QvBase
