#pragma once

// The response file QvInst.rsp: sections of keys and values, with numbered
// well-known keys in section "Common".
#include <list>
#include <map>
#include <string>

namespace QvInstall
{
class IResponseFile
{
public:
    virtual ~IResponseFile() = default;
    virtual void ResetComponents() = 0;
    virtual std::list<std::wstring> GetPatches() = 0;
    virtual void Load(const wchar_t* path) = 0;
    virtual void SetWriteThrough(bool on) = 0;
    virtual std::wstring GetFileName() = 0;
    virtual std::wstring GetWellKnownValue(int index) = 0;
    virtual int GetAction(std::wstring section) = 0;
    virtual void SetWellKnownValue(int index, std::wstring value) = 0;
};
} // namespace QvInstall

// A new response file, write-through on, every component's action "none".
QvInstall::IResponseFile* CreateResponseFile();
