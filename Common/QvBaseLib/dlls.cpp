#include "dlls.h"

#include "ErrorText.h"
#include "TextUtils.h"
#include "qvexception.h"

namespace QvBase
{
namespace
{
std::wstring SystemCodeText(DWORD code)
{
    return FormatText(L"0x%08X (%u)", code, code);
}
} // namespace

CDll::~CDll()
{
    Free();
}

void CDll::Load(const wchar_t* modulePath)
{
    if (module != nullptr)
        return;
    module = LoadLibraryW(modulePath);
    if (module == nullptr)
    {
        const DWORD code = GetLastError();
        const std::wstring shownPath = modulePath != nullptr ? modulePath : L"";
        QV_THROW(kErrorModuleLoad, L"QvBase::CDll::Load", shownPath.c_str(),
                 SystemCodeText(code).c_str(), DescribeError(code).c_str());
    }
    path = modulePath;
}

void CDll::Free()
{
    if (module == nullptr)
        return;
    FreeLibrary(module);
    module = nullptr;
}

FARPROC ResolveExport(const CDll& dll, const char* exportName, const std::wstring& function)
{
    const FARPROC address = GetProcAddress(dll.Handle(), exportName);
    if (address != nullptr)
        return address;
    const DWORD code = GetLastError();
    QV_THROW(kErrorModuleExport, function.c_str(), MultiByteToWide(exportName, CP_ACP).c_str(),
             dll.Path().c_str(), SystemCodeText(code).c_str(), DescribeError(code).c_str());
}

CDynamicLibrary2::CDynamicLibrary2(const wchar_t* path, unsigned int errorCode)
{
    module = LoadLibraryW(path);
    if (module == nullptr)
        QV_THROW(errorCode, L"QvBase::CDynamicLibrary2::CDynamicLibrary2");
}

CDynamicLibrary2::~CDynamicLibrary2()
{
    if (module == nullptr)
        return;
    const DWORD lastError = GetLastError();
    FreeLibrary(module);
    SetLastError(lastError);
}

FARPROC FindExport(HMODULE module, const char* exportName)
{
    return GetProcAddress(module, exportName);
}

void ThrowMissingExport(const char* exportName, const std::wstring& function)
{
    QV_THROW(kErrorServiceApiExport, function.c_str(), MultiByteToWide(exportName, CP_ACP).c_str());
}
} // namespace QvBase
