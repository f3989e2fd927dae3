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
