#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace QvBase
{
// Owns a kernel handle. Plain operations return a Win32 error code (0 =
// success); the "_Ex" forms raise CQvError instead.
class CWin32Handle
{
public:
    explicit CWin32Handle(HANDLE handle = INVALID_HANDLE_VALUE);
    CWin32Handle(const CWin32Handle&) = delete;
    CWin32Handle& operator=(const CWin32Handle&) = delete;
    virtual ~CWin32Handle();

    virtual void Attach(HANDLE newHandle);
    [[nodiscard]] virtual HANDLE Detach();
    virtual HANDLE GetHandle() const;
    virtual HANDLE GetHandleAgain() const; // a second slot with the same answer
    virtual bool IsValid() const;
    virtual bool IsOpen() const;
    virtual void Close();
    virtual DWORD Reset();

    const std::wstring& GetName() const { return name; }

protected:
    // Destructors of the derived classes close through the common rule with
    // their own Close already unreachable: this is that rule.
    void CloseOwned();

    HANDLE handle;
    std::wstring name;
    bool owned;
};

class CWin32File : public CWin32Handle
{
public:
    explicit CWin32File(HANDLE handle = INVALID_HANDLE_VALUE);
    ~CWin32File() override;

    DWORD Create(const wchar_t* fileName, DWORD access, DWORD disposition, DWORD shareMode,
                 SECURITY_ATTRIBUTES* security, DWORD flags, HANDLE templateFile);
    DWORD Write(const void* data, DWORD size);
};

// An event; null, not INVALID_HANDLE_VALUE, means "no handle".
class CWin32Event : public CWin32Handle
{
public:
    explicit CWin32Event(bool manualReset);
    ~CWin32Event() override;

    bool IsValid() const override;
    void Close() override;
    DWORD Reset() override;
    virtual DWORD Create(bool initialState, const wchar_t* eventName,
                         SECURITY_ATTRIBUTES* security);
    virtual void Create_Ex(bool initialState, const wchar_t* eventName,
                           SECURITY_ATTRIBUTES* security);

    DWORD Open(const wchar_t* eventName, DWORD access);
    DWORD Set();
    DWORD ResetEvent();
    DWORD Wait(DWORD milliseconds);

private:
    bool manualReset;
};

// Starts one process and keeps its handle, exit code and start parameters.
class CWin32Process : public CWin32Handle
{
public:
    CWin32Process();
    ~CWin32Process() override;

    virtual DWORD Create(const wchar_t* application, const wchar_t* arguments, bool waitInputIdle,
                         DWORD creationFlags, bool inheritHandles, void* environment);
    virtual DWORD Create_Ex(const wchar_t* application, const wchar_t* arguments,
                            bool waitInputIdle, DWORD creationFlags, bool inheritHandles,
                            void* environment);
    virtual void Nothing();
    virtual void SetStartupInfo(const STARTUPINFOW& info);
    virtual std::wstring GetCurrentDirectory() const;
    virtual void SetCurrentDirectory(const std::wstring& directory);
    virtual void SetSecurityAttributes(const SECURITY_ATTRIBUTES& attributes);
    virtual void GetSecurityAttributes(SECURITY_ATTRIBUTES& attributes,
                                       std::vector<BYTE>& descriptor) const;
    virtual bool Terminate(DWORD code);
    virtual DWORD WaitFor(DWORD milliseconds);
    virtual void WaitFor_Ex(DWORD milliseconds);
    virtual DWORD GetExitCode() const;

    const std::wstring& GetCommandLine() const { return commandLine; }

    // Starts the program named by application with exactly this command line,
    // whose first token is only how the child sees its own name: a path with
    // blanks in that token cannot start another program. Raises CQvError with
    // the system's code.
    void CreateNamed_Ex(const wchar_t* application, const std::wstring& commandLine,
                        bool inheritHandles);

private:
    DWORD Launch(const wchar_t* application, bool waitInputIdle, DWORD creationFlags,
                 bool inheritHandles, void* environment);

    STARTUPINFOW startupInfo;
    PROCESS_INFORMATION processInfo;
    std::wstring commandLine;
    std::wstring currentDirectory;
    SECURITY_ATTRIBUTES security;
    std::vector<BYTE> descriptor; // self-relative copy behind security
    DWORD exitCode;
};
} // namespace QvBase
