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

// The module-load error of a path, with the system's code read right after
// the failed load.
[[noreturn]] void RaiseModuleLoad(const wchar_t* modulePath, DWORD code, const wchar_t* function)
{
    const std::wstring shownPath = modulePath != nullptr ? modulePath : L"";
    QV_THROW(kErrorModuleLoad, function, shownPath.c_str(), SystemCodeText(code).c_str(),
             DescribeError(code).c_str());
}
} // namespace

CDll::~CDll()
{
    Free();
}

void CDll::Load(const wchar_t* modulePath)
{
    QV_FUNCTION_NAME(L"QvBase::CDll::Load");
    if (module)
        return;
    module.Reset(LoadLibraryW(modulePath));
    if (!module)
        RaiseModuleLoad(modulePath, GetLastError(), qvFunctionName);
    path = modulePath;
}

CUniqueModule LoadDataModule(const wchar_t* modulePath)
{
    QV_FUNCTION_NAME(L"QvBase::LoadDataModule");
    CUniqueModule module(LoadLibraryExW(modulePath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module)
        RaiseModuleLoad(modulePath, GetLastError(), qvFunctionName);
    return module;
}

void CDll::Free()
{
    module.Reset();
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
    QV_FUNCTION_NAME(L"QvBase::CDynamicLibrary2::CDynamicLibrary2");
    module.Reset(LoadLibraryW(path));
    if (!module)
        QV_RAISE(errorCode);
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
