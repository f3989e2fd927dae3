#pragma once

// The install contexts of the run modes. Each constructor only fills the
// context; no variant changes an operation.
#include "InstallContext.h"

#include <string>

class CBaseContext : public CInstallContext
{
public:
    // The locale, and a response file whose changes stay in memory.
    explicit CBaseContext(std::wstring localeName);
};

class CSilentContext : public CBaseContext
{
public:
    explicit CSilentContext(std::wstring localeName);
};

// Silent, with the response file loaded from dir\QvInst.rsp and the source
// taken from its "Source".
class CRspContext : public CSilentContext
{
public:
    CRspContext(std::wstring localeName, std::wstring dir);
};

// Script mode: the source is also the root of the distribution.
class CSrvInstallContext : public CRspContext
{
public:
    CSrvInstallContext(std::wstring localeName, std::wstring dir, IMsgWriter* writer);
};

// Interactive mode: the start-up window, the source as found and the root
// three levels above it; no response file is loaded.
class CInteractiveInstallContext : public CBaseContext
{
public:
    CInteractiveInstallContext(std::wstring localeName, std::wstring dir, HWND window);
};
