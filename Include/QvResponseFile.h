#pragma once

// The response file of an unattended installation, as the installer engine
// and the setup program see it. The engine is built apart from this program
// against these declarations: the order of the virtual operations, their
// parameter and result types are a fixed contract. Never reorder them.
#include <list>
#include <map>
#include <string>

namespace QvInstall
{
// Keys of one section, ordered by UTF-16 code unit (case-sensitive).
typedef std::map<std::wstring, std::wstring> ResponseKeyMap;
// Patch directories in their order in the file.
typedef std::list<std::wstring> PatchList;

// The value of "Action" of a section. Any other number is written as "none".
enum InstallAction : int
{
    ActionNone = 0,
    ActionInstall = 1,
    ActionRepair = 2,
    ActionUninstall = 3,
    ActionUpgrade = 4,
};

// Numbers of the well-known keys; numbers not listed have an empty key name.
enum WellKnownKey : int
{
    KeyInstallDir = 0,
    KeyAction = 1,
    KeySource = 2,
    KeySourceRoot = 3,
    KeyServer = 4,
    KeyServerName = 5,
    KeyUser = 7,
    KeyPassword = 8,
    KeySysName = 12,
    KeyId = 13,
    KeyWorkplace = 14,
    KeyDivision = 15,
    KeyUninstallPassword = 16,
    KeyLocale = 18,
    KeyJcsf = 19,
    KeyRebootTimeout = 20,
};

class IUserFriendlyResponseFile
{
public:
    virtual void SetSource(std::wstring value) = 0;
    virtual void SetInstallDir(std::wstring value) = 0;
    virtual void SetServer(std::wstring value) = 0;
    virtual void SetServerName(std::wstring value) = 0;
    virtual void SetLocaleSetting(std::wstring value) = 0;
    virtual void SetComponentAction(int component, InstallAction action) = 0;
    virtual void SetMeridaneSettings(std::wstring vpnServer, int level) = 0;
    virtual void SetCoreSettings(std::wstring sysName, std::wstring id, std::wstring workplace,
                                 std::wstring division) = 0;
    virtual void SetRebootTimeout(unsigned int timeout) = 0;
    virtual void SetJcsf() = 0;
    virtual void SetPatches(PatchList patches) = 0;
    virtual void ResetComponents() = 0;
    // Destroys the object: the owner's last act.
    virtual void Release() = 0;
    virtual PatchList GetPatches() = 0;
    virtual void Open(const wchar_t* path) = 0;
    // A null path saves to the file that was loaded.
    virtual void Save(const wchar_t* path) = 0;
    virtual void Load(const wchar_t* path) = 0;
    virtual void SetWriteThrough(bool on) = 0;
    virtual std::wstring GetFileName() = 0;
    virtual ~IUserFriendlyResponseFile() = default;
};

// Lookups add what they look for when it is missing (an empty section or an
// empty value), so they are not const.
class IResponseFile : public IUserFriendlyResponseFile
{
public:
    // An empty section name is the section with an empty name.
    virtual std::wstring GetWellKnownValue(int index, std::wstring section) = 0;
    virtual std::wstring GetWellKnownValue(int index) = 0;
    virtual std::wstring GetValue(std::wstring section, std::wstring key) = 0;
    virtual ResponseKeyMap GetSection(std::wstring section) = 0;
    virtual InstallAction GetAction() = 0;
    virtual InstallAction GetAction(std::wstring section) = 0;
    // An empty section name means "Common".
    virtual void SetWellKnownValue(int index, std::wstring value, std::wstring section) = 0;
    virtual void SetWellKnownValue(int index, std::wstring value) = 0;
    virtual void SetCustomSettings(std::wstring section, ResponseKeyMap keys) = 0;
    virtual void SetAction(InstallAction action, std::wstring section) = 0;
    virtual void SetAllComponentsAction(InstallAction action) = 0;
};
} // namespace QvInstall
