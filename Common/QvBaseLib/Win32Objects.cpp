#include "Win32Objects.h"

#include "buffer.h"
#include "qvexception.h"

namespace QvBase
{
namespace
{
// The place these wrappers report their errors from.
constexpr const wchar_t* kSource = L"Common/QvBaseLib/Win32Objects";
constexpr int kEventCreateLine = 593;
constexpr int kProcessCreateLine = 935;
constexpr int kProcessWaitLine = 954;

DWORD ResultOf(BOOL ok)
{
    return ok ? ERROR_SUCCESS : GetLastError();
}

// A self-relative copy of a security descriptor, whichever form the source has.
std::vector<BYTE> SelfRelativeCopy(PSECURITY_DESCRIPTOR source)
{
    if (source == nullptr)
        return {};
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorControl(source, &control, &revision))
        return {};
    if (control & SE_SELF_RELATIVE)
    {
        const DWORD size = GetSecurityDescriptorLength(source);
        const BYTE* bytes = static_cast<const BYTE*>(source);
        return std::vector<BYTE>(bytes, bytes + size);
    }
    DWORD size = 0;
    MakeSelfRelativeSD(source, nullptr, &size);
    std::vector<BYTE> copy(size);
    if (size == 0 || !MakeSelfRelativeSD(source, copy.data(), &size))
        return {};
    return copy;
}
} // namespace

CWin32Handle::CWin32Handle(HANDLE handle) : handle(handle), owned(true) {}

CWin32Handle::~CWin32Handle()
{
    CloseOwned();
}

void CWin32Handle::CloseOwned()
{
    if (handle != INVALID_HANDLE_VALUE && owned)
        CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
}

void CWin32Handle::Attach(HANDLE newHandle)
{
    Close();
    handle = newHandle;
}

HANDLE CWin32Handle::Detach()
{
    const HANDLE detached = handle;
    handle = INVALID_HANDLE_VALUE;
    return detached;
}

HANDLE CWin32Handle::GetHandle() const
{
    return handle;
}
HANDLE CWin32Handle::GetHandleAgain() const
{
    return handle;
}
bool CWin32Handle::IsValid() const
{
    return handle != INVALID_HANDLE_VALUE;
}
bool CWin32Handle::IsOpen() const
{
    return IsValid();
}

void CWin32Handle::Close()
{
    if (handle != INVALID_HANDLE_VALUE)
    {
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
}

DWORD CWin32Handle::Reset()
{
    return ERROR_SUCCESS;
}

// --- CWin32File ---

CWin32File::CWin32File(HANDLE handle) : CWin32Handle(handle) {}
CWin32File::~CWin32File() = default;

DWORD CWin32File::Create(const wchar_t* fileName, DWORD access, DWORD disposition, DWORD shareMode,
                         SECURITY_ATTRIBUTES* security, DWORD flags, HANDLE templateFile)
{
    Close();
    name = fileName != nullptr ? fileName : L"";
    handle = CreateFileW(fileName, access, shareMode, security, disposition, flags, templateFile);
    // A successful CREATE_ALWAYS over an existing file leaves 183 as the last
    // error: only the handle says whether the call worked.
    return IsValid() ? ERROR_SUCCESS : GetLastError();
}

DWORD CWin32File::Write(const void* data, DWORD size)
{
    DWORD written = 0;
    return ResultOf(WriteFile(handle, data, size, &written, nullptr));
}

// --- CWin32Event ---

CWin32Event::CWin32Event(bool manualReset) : CWin32Handle(nullptr), manualReset(manualReset) {}

CWin32Event::~CWin32Event()
{
    if (handle == nullptr)
        handle = INVALID_HANDLE_VALUE;
    CloseOwned();
}

bool CWin32Event::IsValid() const
{
    return handle != nullptr;
}

void CWin32Event::Close()
{
    if (IsValid())
    {
        CloseHandle(handle);
        handle = nullptr;
    }
}

DWORD CWin32Event::Reset()
{
    return ResultOf(::ResetEvent(handle));
}
DWORD CWin32Event::ResetEvent()
{
    return ResultOf(::ResetEvent(handle));
}
DWORD CWin32Event::Set()
{
    return ResultOf(SetEvent(handle));
}
DWORD CWin32Event::Wait(DWORD milliseconds)
{
    return WaitForSingleObject(handle, milliseconds);
}

DWORD CWin32Event::Create(bool initialState, const wchar_t* eventName,
                          SECURITY_ATTRIBUTES* security)
{
    Close();
    handle = CreateEventW(security, manualReset, initialState, eventName);
    if (handle == nullptr)
        return GetLastError();
    // An existing named event opens: that is success as well.
    if (eventName != nullptr)
        name = eventName;
    return ERROR_SUCCESS;
}

void CWin32Event::Create_Ex(bool initialState, const wchar_t* eventName,
                            SECURITY_ATTRIBUTES* security)
{
    Close();
    const DWORD result = Create(initialState, eventName, security);
    if (result != ERROR_SUCCESS)
        ThrowError(result, kSource, kEventCreateLine, L"QvBase::CWin32Event::Create_Ex");
    if (eventName != nullptr)
        name = eventName;
}

DWORD CWin32Event::Open(const wchar_t* eventName, DWORD access)
{
    Close();
    handle = OpenEventW(access, /*inheritHandle=*/FALSE, eventName);
    if (handle == nullptr)
        return GetLastError();
    name = eventName != nullptr ? eventName : L"";
    return ERROR_SUCCESS;
}

// --- CWin32Process ---

CWin32Process::CWin32Process()
    : CWin32Handle(INVALID_HANDLE_VALUE), startupInfo(), processInfo(), security(),
      exitCode(0xFFFFFFFF)
{
    startupInfo.cb = sizeof(startupInfo);
}

CWin32Process::~CWin32Process() = default;

DWORD CWin32Process::Create(const wchar_t* application, const wchar_t* arguments,
                            bool waitInputIdle, DWORD creationFlags, bool inheritHandles,
                            void* environment)
{
    // No quoting beyond the application name: arguments carry their own.
    if (application != nullptr)
        commandLine += L"\"" + std::wstring(application) + L"\" ";
    if (arguments != nullptr)
        commandLine += arguments;
    return Launch(application, waitInputIdle, creationFlags, inheritHandles, environment);
}

void CWin32Process::CreateNamed_Ex(const wchar_t* application, const std::wstring& text,
                                   bool inheritHandles)
{
    commandLine = text;
    if (Launch(application, /*waitInputIdle=*/false, /*creationFlags=*/0, inheritHandles,
               /*environment=*/nullptr) != ERROR_SUCCESS)
        ThrowError(GetLastError(), kSource, kProcessCreateLine,
                   L"QvBase::CWin32Process::CreateNamed_Ex");
}

DWORD CWin32Process::Launch(const wchar_t* application, bool waitInputIdle, DWORD creationFlags,
                            bool inheritHandles, void* environment)
{
    CBuffer<wchar_t> writable(commandLine.size() + 1);
    commandLine.copy(writable.Get(), commandLine.size());

    if (!CreateProcessW(application, writable.Get(), &security, nullptr, inheritHandles,
                        creationFlags, environment,
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startupInfo,
                        &processInfo))
        return GetLastError();

    handle = processInfo.hProcess;
    CloseHandle(processInfo.hThread);
    processInfo.hThread = nullptr;
    exitCode = STILL_ACTIVE;
    if (waitInputIdle && WaitForInputIdle(handle, INFINITE) == WAIT_FAILED)
        return GetLastError();
    return ERROR_SUCCESS;
}

DWORD CWin32Process::Create_Ex(const wchar_t* application, const wchar_t* arguments,
                               bool waitInputIdle, DWORD creationFlags, bool inheritHandles,
                               void* environment)
{
    if (Create(application, arguments, waitInputIdle, creationFlags, inheritHandles, environment) !=
        ERROR_SUCCESS)
        ThrowError(GetLastError(), kSource, kProcessCreateLine,
                   L"QvBase::CWin32Process::Create_Ex");
    return ERROR_SUCCESS;
}

void CWin32Process::Nothing() {}

void CWin32Process::SetStartupInfo(const STARTUPINFOW& info)
{
    startupInfo = info;
}

std::wstring CWin32Process::GetCurrentDirectory() const
{
    return currentDirectory;
}

void CWin32Process::SetCurrentDirectory(const std::wstring& directory)
{
    currentDirectory = directory;
}

void CWin32Process::SetSecurityAttributes(const SECURITY_ATTRIBUTES& attributes)
{
    descriptor = SelfRelativeCopy(attributes.lpSecurityDescriptor);
    security.nLength = attributes.nLength;
    security.bInheritHandle = attributes.bInheritHandle;
    security.lpSecurityDescriptor = descriptor.empty() ? nullptr : descriptor.data();
}

void CWin32Process::GetSecurityAttributes(SECURITY_ATTRIBUTES& attributes,
                                          std::vector<BYTE>& copy) const
{
    copy = descriptor;
    attributes.nLength = security.nLength;
    attributes.bInheritHandle = security.bInheritHandle;
    attributes.lpSecurityDescriptor = copy.empty() ? nullptr : copy.data();
}

bool CWin32Process::Terminate(DWORD code)
{
    exitCode = code;
    return TerminateProcess(handle, code) != FALSE;
}

DWORD CWin32Process::WaitFor(DWORD milliseconds)
{
    if (!IsValid())
        return WAIT_OBJECT_0;
    const DWORD result = WaitForSingleObject(handle, milliseconds);
    if (result == WAIT_OBJECT_0)
        GetExitCodeProcess(handle, &exitCode);
    return result;
}

void CWin32Process::WaitFor_Ex(DWORD milliseconds)
{
    const DWORD result = WaitFor(milliseconds);
    // With WAIT_FAILED (0xFFFFFFFF) the description is the last error's.
    if (result != WAIT_OBJECT_0)
        ThrowError(result, kSource, kProcessWaitLine, L"QvBase::CWin32Process::WaitFor_Ex");
}

DWORD CWin32Process::GetExitCode() const
{
    return exitCode;
}
} // namespace QvBase
