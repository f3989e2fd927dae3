#pragma once

#include "UniqueResource.h"

#include <windows.h>

// Owns one Service Control Manager or service handle (null when empty) and
// closes it on destruction.
class CScmHandle
{
public:
    explicit CScmHandle(SC_HANDLE handle = nullptr);
    CScmHandle(const CScmHandle&) = delete;
    CScmHandle& operator=(const CScmHandle&) = delete;
    virtual ~CScmHandle();

    // Closes the handle held and keeps the new one.
    virtual CScmHandle& Attach(SC_HANDLE newHandle);
    // Hands the handle over without closing it.
    [[nodiscard]] virtual SC_HANDLE Detach();
    virtual SC_HANDLE GetHandle() const;
    virtual SC_HANDLE GetHandleAgain() const; // a second slot with the same answer
    virtual bool IsValid() const;
    virtual bool IsOpen() const;
    virtual void Close();

private:
    QvBase::CUniqueServiceHandle handle;
};

// The Service Control Manager of the local machine, its active database; the
// handle is null when it cannot be opened (GetLastError tells why).
class CScm : public CScmHandle
{
public:
    explicit CScm(DWORD access);
};

// A service of the local machine opened through a manager of its own, which
// is opened with full access as every service function here asks for it;
// both are closed with the object. Whatever failed left its code.
class CManagedService
{
public:
    CManagedService();
    CManagedService(const CManagedService&) = delete;
    CManagedService& operator=(const CManagedService&) = delete;

    // False when the manager or then the service cannot be opened.
    bool Open(const wchar_t* name, DWORD access);
    bool HasManager() const { return manager.IsValid(); }
    // The code of the call that failed; 0 while none has.
    DWORD Error() const { return error; }
    SC_HANDLE Manager() const { return manager.GetHandle(); }
    SC_HANDLE Service() const { return service.GetHandle(); }
    // For a service made rather than opened.
    CScmHandle& ServiceHolder() { return service; }

private:
    CScm manager;
    CScmHandle service;
    DWORD error;
};
