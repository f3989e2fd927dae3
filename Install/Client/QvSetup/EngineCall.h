#pragma once

// The binding of the installer engine's export "QvInstMain".
#include "InstallContext.h"
#include "dlls.h"

namespace QvBase
{
template <> struct TFunctionTypeName<QvInstMainFunction>
{
    static constexpr const wchar_t* kArgument =
        L"unsigned int (__cdecl*)(class std::shared_ptr<class CInstallContext>)";
    static constexpr const wchar_t* kOperator =
        L"unsigned int (__cdecl *)(class std::shared_ptr<class CInstallContext>)";
};
} // namespace QvBase

using CEngineCall = QvBase::CDllCall<QvInstMainFunction>;
