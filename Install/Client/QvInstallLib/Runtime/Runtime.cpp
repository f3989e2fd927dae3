#include "Runtime.h"

#include "FuncTraceContext.h"
#include "Guid.h"
#include "InstallContext.h"
#include "LogDirectory.h"
#include "PathUtils.h"
#include "SetupFileUtils.h"
#include "TraceLineScope.h"
#include "UniqueResource.h"
#include "Win32Objects.h"
#include "dlls.h"
#include "qvexception.h"

#include <mutex>
#include <utility>

namespace RuntimeSeams
{
void (*retryWait)(DWORD milliseconds) = &Sleep;
}

namespace
{
constexpr int kInstalled = 5; // INSTALLSTATE_DEFAULT
constexpr int kAttempts = 3;
constexpr DWORD kRetryWaitMs = 5000;
constexpr DWORD kTimeoutHresult = 0x800705B4;

const CRuntimeEx kRuntimes[] = {
    {20005,
     L"vcredist_x64.exe",
     {L"{C874FB5A-1C85-460A-A4A9-CBCC3FAE7880}", L"{529D20E8-132A-4F1A-A25F-9211B8C943AC}"}},
    {20006,
     L"vcredist_x86.exe",
     {L"{7D75664A-6C04-424C-82A1-EE88913E5F16}", L"{01FAEC41-B3BC-44F4-B185-5E8475AEB855}"}},
};

// MsiQueryProductStateW, imported from msi.dll by its ordinal.
int QueryProductState(const wchar_t* productCode)
{
    using QueryFunction = int(WINAPI*)(const wchar_t*);
    static QueryFunction query = nullptr;
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       if (HMODULE msi = LoadLibraryW(L"msi.dll"))
                           query = reinterpret_cast<QueryFunction>(
                               reinterpret_cast<void*>(GetProcAddress(msi, MAKEINTRESOURCEA(113))));
                   });
    return query != nullptr ? query(productCode) : -1; // INSTALLSTATE_UNKNOWN
}

bool IsSuccess(DWORD result)
{
    switch (result)
    {
    case ERROR_SUCCESS:
    case ERROR_SUCCESS_REBOOT_REQUIRED:
    case ERROR_SUCCESS_RESTART_REQUIRED:
    case ERROR_SUCCESS_REBOOT_INITIATED:
    case ERROR_PRODUCT_VERSION: // another version is installed
    case 0x80070BC2:
    case 0x80070BC3:
    case 0x80070669:
        return true;
    default:
        return false;
    }
}

// The package's own folder in the temporary directory, gone again with the
// package on every way out: an extraction or a run that fails leaves nothing.
class CWorkFolder
{
public:
    CWorkFolder(std::wstring folder, const std::wstring& fileName)
        : folder(std::move(folder)),
          package(QvBase::JoinPath(this->folder.c_str(), fileName.c_str(), L'\\'))
    {
        QV_FUNCTION_NAME(L"CRuntimeEx::Install");
        if (!CreateDirectoryW(this->folder.c_str(), nullptr))
            QV_RAISE_LAST_ERROR();
    }
    ~CWorkFolder()
    {
        QvBase::CLastErrorKeeper keeper;
        DeleteFileW(package.c_str());
        RemoveDirectoryW(folder.c_str());
    }
    CWorkFolder(const CWorkFolder&) = delete;
    CWorkFolder& operator=(const CWorkFolder&) = delete;

    const std::wstring& Package() const { return package; }

private:
    std::wstring folder;
    std::wstring package;
};
} // namespace

CRuntimeEx::CRuntimeEx(int resourceId, const wchar_t* fileName, ProductPair first,
                       ProductPair second, ProductPair third)
    : resourceId(resourceId), fileName(fileName), products{first, second, third}
{
}

bool CRuntimeEx::IsInstalled() const
{
    for (const ProductPair& pair : products)
    {
        const int first = QueryProductState(pair.first);
        const int second = QueryProductState(pair.second);
        {
            QvBase::CTraceLineScope line(L"CRuntimeEx::IsInstalled");
            line << pair.first << L":" << first << L";" << pair.second << L":" << second;
        }
        if (first == kInstalled && second == kInstalled)
            return true;
    }
    return false;
}

DWORD CRuntimeEx::Run(const std::wstring& packagePath) const
{
    QV_LIB_FUNCTION(L"CRuntimeEx::Run", L"runtime");
    trace.Trace(2, L"%s", packagePath.c_str());
    wchar_t arguments[1024];
    _snwprintf(arguments, 1024, L"/quiet /norestart /log \"%s\\runtime.log\"",
               GetLogDirectory().c_str());
    arguments[1023] = L'\0';

    QvBase::CWin32Process process;
    DWORD result = process.Create(packagePath.c_str(), arguments, /*waitInputIdle=*/false,
                                  /*creationFlags=*/0, /*inheritHandles=*/true,
                                  /*environment=*/nullptr);
    if (result == ERROR_SUCCESS)
    {
        process.WaitFor(INFINITE);
        result = process.GetExitCode();
    }
    trace.Trace(2, L"0x%x", result);
    return result;
}

void CRuntimeEx::Install(const std::wstring& directory) const
{
    QV_LIB_FUNCTION(L"CRuntimeEx::Install", L"runtime");
    if (IsInstalled())
        return;
    try
    {
        const QvBase::CUniqueModule engine = QvBase::LoadDataModule(
            QvBase::JoinPath(directory.c_str(), kEngineModuleName, L'\\').c_str());
        DWORD result = ERROR_SUCCESS;
        {
            const CWorkFolder work(
                QvBase::GetSystemFolderPath(QvBase::FolderTemp, QvBase::CGuid().ToString().c_str()),
                fileName);
            ExtractBinaryResource(work.Package(), engine.Get(), static_cast<WORD>(resourceId));
            for (int attempt = 1; attempt <= kAttempts; ++attempt)
            {
                trace.Trace(2, L"Attempt #%d", attempt);
                result = Run(work.Package());
                if (result != ERROR_TIMEOUT && result != kTimeoutHresult)
                    break;
                RuntimeSeams::retryWait(kRetryWaitMs);
            }
        }
        if (!IsSuccess(result))
            QV_RAISE(result);
        trace.Trace(2, L"Runtime %s installed:%d.", fileName.c_str(), static_cast<int>(result));
    }
    QV_CATCH_TRACE_RETHROW(trace)
}

void InstallRuntime(const std::wstring& directory)
{
    QV_LIB_FUNCTION(L"InstallRuntime", L"runtime");
    for (const CRuntimeEx& entry : kRuntimes)
    {
        const CRuntimeEx runtime = entry;
        runtime.Install(directory);
    }
}
