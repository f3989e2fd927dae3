#include "QvSrvBinding.h"

CQvSrvApi::CQvSrvApi(const wchar_t* path)
    : library(path, kErrorServiceApiLoad),
      getProtectionState(library.Handle(), kQvSrvGetProtectionState),
      getSelfProtectionMode(library.Handle(), kQvSrvGetSelfProtectionMode),
      setSelfProtectionMode(library.Handle(), kQvSrvSetSelfProtectionMode)
{
}

int CQvSrvApi::GetProtectionState(unsigned long& state)
{
    return static_cast<QvSrvGetProtectionStateFunction>(getProtectionState)(&state);
}

int CQvSrvApi::GetSelfProtectionMode(unsigned long& mode)
{
    unsigned long flags = 0;
    return static_cast<QvSrvGetSelfProtectionModeFunction>(getSelfProtectionMode)(&mode, &flags);
}

int CQvSrvApi::SetSelfProtectionMode(unsigned long mode, const wchar_t* caller)
{
    return static_cast<QvSrvSetSelfProtectionModeFunction>(setSelfProtectionMode)(mode, caller);
}
