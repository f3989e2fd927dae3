#include "ScmHandle.h"

CScmHandle::CScmHandle(SC_HANDLE handle) : handle(handle) {}

CScmHandle::~CScmHandle() = default;

CScmHandle& CScmHandle::Attach(SC_HANDLE newHandle)
{
    handle.Reset(newHandle);
    return *this;
}

SC_HANDLE CScmHandle::Detach()
{
    return handle.Release();
}

SC_HANDLE CScmHandle::GetHandle() const
{
    return handle.Get();
}

SC_HANDLE CScmHandle::GetHandleAgain() const
{
    return GetHandle();
}

bool CScmHandle::IsValid() const
{
    return handle.IsValid();
}

bool CScmHandle::IsOpen() const
{
    return IsValid();
}

void CScmHandle::Close()
{
    handle.Reset();
}

CScm::CScm(DWORD access) : CScmHandle(OpenSCManagerW(nullptr, nullptr, access)) {}

CManagedService::CManagedService()
    : manager(SC_MANAGER_ALL_ACCESS), error(manager.IsValid() ? ERROR_SUCCESS : GetLastError())
{
}

bool CManagedService::Open(const wchar_t* name, DWORD access)
{
    if (!HasManager())
        return false;
    if (service.Attach(OpenServiceW(manager.GetHandle(), name, access)).IsValid())
        return true;
    error = GetLastError();
    return false;
}
