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
