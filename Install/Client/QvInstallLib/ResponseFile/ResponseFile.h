#pragma once

#include "DistributionLayout.h"
#include "QvResponseFile.h"

#include <map>
#include <string>
#include <vector>

class CLoadSummary;

// The response file: sections of keys and values held in memory, read from an
// initialisation file by Load and written back by Save. With write-through on
// (the state after construction) and a loaded path, every change is also
// written to the file at once.
class CResponseFile : public QvInstall::IResponseFile
{
public:
    CResponseFile() = default;
    CResponseFile(const CResponseFile&) = delete;
    CResponseFile& operator=(const CResponseFile&) = delete;

    void SetSource(std::wstring value) override;
    void SetInstallDir(std::wstring value) override;
    void SetServer(std::wstring value) override;
    void SetServerName(std::wstring value) override;
    void SetLocaleSetting(std::wstring value) override;
    void SetComponentAction(int component, QvInstall::InstallAction action) override;
    void SetMeridaneSettings(std::wstring vpnServer, int level) override;
    void SetCoreSettings(std::wstring sysName, std::wstring id, std::wstring workplace,
                         std::wstring division) override;
    void SetRebootTimeout(unsigned int timeout) override;
    void SetJcsf() override;
    void SetPatches(QvInstall::PatchList patches) override;
    void ResetComponents() override;
    void Release() override;
    QvInstall::PatchList GetPatches() override;
    void Open(const wchar_t* path) override;
    void Save(const wchar_t* path) override;
    void Load(const wchar_t* path) override;
    void SetWriteThrough(bool on) override;
    std::wstring GetFileName() override;
    ~CResponseFile() override = default;

    std::wstring GetWellKnownValue(int index, std::wstring section) override;
    std::wstring GetWellKnownValue(int index) override;
    std::wstring GetValue(std::wstring section, std::wstring key) override;
    QvInstall::ResponseKeyMap GetSection(std::wstring section) override;
    QvInstall::InstallAction GetAction() override;
    QvInstall::InstallAction GetAction(std::wstring section) override;
    void SetWellKnownValue(int index, std::wstring value, std::wstring section) override;
    void SetWellKnownValue(int index, std::wstring value) override;
    void SetCustomSettings(std::wstring section, QvInstall::ResponseKeyMap keys) override;
    void SetAction(QvInstall::InstallAction action, std::wstring section) override;
    void SetAllComponentsAction(QvInstall::InstallAction action) override;

private:
    bool WritesThrough() const;
    void ReadWellKnownValues(CLoadSummary& summary);
    void ReadSections(const std::vector<std::wstring>& names, CLoadSummary& summary);
    // The keys stored over the section's other keys, which stay: memory then
    // agrees with the file, where writing never removes a key.
    void MergeSettings(const std::wstring& section, const QvInstall::ResponseKeyMap& keys);

    bool writeThrough = true;
    std::wstring filePath;
    std::map<std::wstring, QvInstall::ResponseKeyMap> settings;
};

// A new response file on the heap with write-through on, no path, and the
// action "none" for every component. The caller owns it: delete it through
// the interface or call Release.
QvInstall::IResponseFile* CreateResponseFile();
