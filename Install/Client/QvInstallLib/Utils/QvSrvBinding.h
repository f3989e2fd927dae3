#pragma once

#include "QvSrvClass.h"
#include "dlls.h"

namespace QvBase
{
// The service API's export types as error reports spell them.
template <> struct TFunctionTypeName<int (*)(unsigned long, const wchar_t*)>
{
    static constexpr const wchar_t* kArgument = L"int (__cdecl*)(unsigned long,wchar_t const *)";
    static constexpr const wchar_t* kOperator = L"int (__cdecl *)(unsigned long,const wchar_t *)";
};
template <> struct TFunctionTypeName<int (*)(unsigned long*, unsigned long*)>
{
    static constexpr const wchar_t* kArgument = L"int (__cdecl*)(unsigned long *,unsigned long *)";
    static constexpr const wchar_t* kOperator = L"int (__cdecl *)(unsigned long *,unsigned long *)";
};
template <> struct TFunctionTypeName<int (*)(unsigned long*)>
{
    static constexpr const wchar_t* kArgument = L"int (__cdecl*)(unsigned long *)";
    static constexpr const wchar_t* kOperator = L"int (__cdecl *)(unsigned long *)";
};
} // namespace QvBase

// The error of a product service library that cannot be loaded.
constexpr unsigned int kErrorServiceApiLoad = 0xE601000D;

// The product service API bound by name: the module is loaded at
// construction, each export resolved on its first call. Raises CQvError
// kErrorServiceApiLoad when the module cannot be loaded and 0xE6010032 when
// a called export is missing. The connection state is held, never opened.
class CQvSrvApi
{
public:
    explicit CQvSrvApi(const wchar_t* path = kQvSrvApiModule);
    CQvSrvApi(const CQvSrvApi&) = delete;
    CQvSrvApi& operator=(const CQvSrvApi&) = delete;

    // The service's answers: 0 or a Win32 code (Include/QvSrvClass.h).
    int GetProtectionState(unsigned long& state);
    int GetSelfProtectionMode(unsigned long& mode);
    int SetSelfProtectionMode(unsigned long mode, const wchar_t* caller);

    const CQvSrv& Service() const { return service; }

private:
    QvBase::CDynamicLibrary2 library;
    QvBase::TFunctionCall3<QvSrvGetProtectionStateFunction> getProtectionState;
    QvBase::TFunctionCall3<QvSrvGetSelfProtectionModeFunction> getSelfProtectionMode;
    QvBase::TFunctionCall3<QvSrvSetSelfProtectionModeFunction> setSelfProtectionMode;
    CQvSrv service;
};
