#include "ResponseFile.h"

#include "QvInstError.h"
#include "PathUtils.h"

#include <windows.h>

#include <shlwapi.h>

#include <cwchar>

namespace
{
const wchar_t* const kKeys[] = {L"Installdir",   L"Action",     L"Source",    L"SourceRoot",
                                L"server",       L"servername", L"",          L"user",
                                L"password",     L"",           L"",          L"",
                                L"SysName",      L"Id",         L"Workplace", L"Division",
                                L"QvxUninstPwd", L"",           L"locale",    L"jcsf",
                                L"RebootTimeout"};
const wchar_t* const kSections[] = {L"core", L"console",   L"local",    L"pc",
                                    L"disk", L"ta",        L"meridane", L"softpspt",
                                    L"te",   L"antivirus", L"sandbox"};

const wchar_t* KeyName(int index)
{
    return index >= 0 && index < 21 ? kKeys[index] : L"";
}

class CResponseFile : public QvInstall::IResponseFile
{
public:
    void ResetComponents() override
    {
        for (const wchar_t* section : kSections)
            settings[section][L"Action"] = L"none";
        settings[L"Common"][L"Action"] = L"none";
    }
    std::list<std::wstring> GetPatches() override
    {
        std::list<std::wstring> patches;
        auto& section = settings[L"patches"];
        const int count = static_cast<int>(std::wcstol(section[L"count"].c_str(), nullptr, 10));
        for (int i = 0; i < count; ++i)
            patches.push_back(
                QvBase::JoinPath(section[L"patch" + std::to_wstring(i)].c_str(), L"", L'\\'));
        return patches;
    }
    void Load(const wchar_t* path) override
    {
        if (lstrlenW(path) >= 2 && !PathFileExistsW(path))
            throw CQvInstError(false, 2, QV_WFILE, L"CResponseFile::Load", __LINE__);
        fileName = path;
        wchar_t names[1024] = {};
        GetPrivateProfileSectionNamesW(names, 1024, path);
        for (const wchar_t* name = names; *name != 0; name += lstrlenW(name) + 1)
        {
            std::wstring entries(0x7FFF, L'\0');
            GetPrivateProfileSectionW(name, &entries[0], 0x7FFF, path);
            auto& section = settings[name];
            section.clear();
            for (const wchar_t* entry = entries.c_str(); *entry != 0; entry += lstrlenW(entry) + 1)
            {
                const std::wstring text(entry);
                const size_t equals = text.find(L'=');
                section.emplace(text.substr(0, equals),
                                equals == std::wstring::npos ? L"" : text.substr(equals + 1));
            }
        }
    }
    void SetWriteThrough(bool) override {}
    std::wstring GetFileName() override { return fileName; }
    std::wstring GetWellKnownValue(int index) override
    {
        return settings[L"Common"][KeyName(index)];
    }
    int GetAction(std::wstring section) override
    {
        const std::wstring& action = settings[section][L"Action"];
        const wchar_t* const names[] = {L"install", L"repair", L"uninstall", L"upgrade"};
        for (int i = 0; i < 4; ++i)
            if (lstrcmpiW(action.c_str(), names[i]) == 0)
                return i + 1;
        return 0;
    }
    void SetWellKnownValue(int index, std::wstring value) override
    {
        settings[L"Common"][KeyName(index)] = value;
    }

private:
    std::wstring fileName;
    std::map<std::wstring, std::map<std::wstring, std::wstring>> settings;
};
} // namespace

QvInstall::IResponseFile* CreateResponseFile()
{
    auto* file = new CResponseFile();
    file->ResetComponents();
    return file;
}
