#include "ResponseFile.h"

#include "ErrorText.h"
#include "FuncTraceContext.h"
#include "LoadSummary.h"
#include "PathUtils.h"
#include "ProfileReader.h"
#include "QvInstError.h"
#include "ResponseFileEncoding.h"
#include "ResponseFileSaveSection.h"
#include "ResponseFileTables.h"
#include "TextUtils.h"
#include "TraceLineScope.h"
#include "UniqueResource.h"
#include "qvexception.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <utility>
#include <vector>

using namespace QvInstall;

namespace
{
constexpr unsigned int kResponseFileError = 20010;
const wchar_t kPatchesSection[] = L"patches";
const wchar_t kPatchCountKey[] = L"count";
const wchar_t kPatchKeyFormat[] = L"patch%d";

// The existence check looks a relative name up in the current directory, the
// profile functions in the Windows folder: a relative path is made absolute
// first, so that the file checked is the file read.
std::wstring AbsolutePath(const wchar_t* path)
{
    if (path == nullptr || *path == L'\0' || !PathIsRelativeW(path))
        return path != nullptr ? path : L"";
    const DWORD needed = GetFullPathNameW(path, 0, nullptr, nullptr);
    std::vector<wchar_t> full(needed + 1, L'\0');
    const DWORD length =
        GetFullPathNameW(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (needed == 0 || length == 0 || length >= full.size())
        return path;
    return std::wstring(full.data(), length);
}

// The profile functions take a file they cannot open for an empty one. A
// file that exists but cannot be read (a directory, a file another process
// holds without sharing, no access) gives the system's reason instead.
DWORD ReadAccessError(const std::wstring& path)
{
    const QvBase::CUniqueFileHandle file(CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? ERROR_SUCCESS : GetLastError();
}

} // namespace

void CResponseFile::SetSource(std::wstring value)
{
    SetWellKnownValue(KeySource, std::move(value), kCommonSection);
}

void CResponseFile::SetInstallDir(std::wstring value)
{
    SetWellKnownValue(KeyInstallDir, std::move(value), kCommonSection);
}

void CResponseFile::SetServer(std::wstring value)
{
    SetWellKnownValue(KeyServer, std::move(value), kCommonSection);
}

void CResponseFile::SetServerName(std::wstring value)
{
    SetWellKnownValue(KeyServerName, std::move(value), kCommonSection);
}

void CResponseFile::SetLocaleSetting(std::wstring value)
{
    SetWellKnownValue(KeyLocale, std::move(value), kCommonSection);
}

void CResponseFile::SetComponentAction(int component, InstallAction action)
{
    const ComponentEntry entry = FindComponent(component);
    SetAction(action, entry.section);
    if (action == ActionInstall && entry.flagKey != nullptr)
        MergeSettings(entry.section, {{entry.flagKey, L"1"}});
}

void CResponseFile::SetMeridaneSettings(std::wstring vpnServer, int level)
{
    MergeSettings(L"meridane", {{L"vpnserver", std::move(vpnServer)},
                                {L"kclevel", QvBase::FormatText(L"%d", level)}});
}

void CResponseFile::SetCoreSettings(std::wstring sysName, std::wstring id, std::wstring workplace,
                                    std::wstring division)
{
    MergeSettings(L"core", {{WellKnownKeyName(KeySysName), std::move(sysName)},
                            {WellKnownKeyName(KeyId), std::move(id)},
                            {WellKnownKeyName(KeyWorkplace), std::move(workplace)},
                            {WellKnownKeyName(KeyDivision), std::move(division)}});
}

void CResponseFile::SetRebootTimeout(unsigned int timeout)
{
    // Written as a signed number: the largest timeout reads "-1".
    SetWellKnownValue(KeyRebootTimeout, QvBase::FormatText(L"%d", static_cast<int>(timeout)),
                      kCommonSection);
}

void CResponseFile::SetJcsf()
{
    SetWellKnownValue(KeyJcsf, L"1", kCommonSection);
}

void CResponseFile::SetPatches(PatchList patches)
{
    ResponseKeyMap keys;
    int number = 0;
    for (std::wstring& patch : patches)
        keys[QvBase::FormatText(kPatchKeyFormat, number++)] = std::move(patch);
    keys[kPatchCountKey] = QvBase::FormatText(L"%d", number);
    SetCustomSettings(kPatchesSection, std::move(keys));
}

void CResponseFile::ResetComponents()
{
    SetAllComponentsAction(ActionNone);
}

void CResponseFile::Release()
{
    // The object lives on the heap (CreateResponseFile); this is its owner's
    // way to destroy it from another module.
    delete this;
}

PatchList CResponseFile::GetPatches()
{
    QvBase::CTraceLineScope line(L"CResponseFile::GetPatches");
    const ResponseKeyMap patches = GetSection(kPatchesSection);
    const auto value = [&patches](const std::wstring& key)
    {
        const auto found = patches.find(key);
        return found == patches.end() ? std::wstring() : found->second;
    };
    // A count names no more patches than the section has keys: a hand-edited
    // count of two thousand million must not grow the list without bound. A
    // missing entry below that still reads as an empty directory.
    const long count = std::min(std::wcstol(value(kPatchCountKey).c_str(), nullptr, 10),
                                static_cast<long>(patches.size()));
    PatchList list;
    for (long i = 0; i < count; ++i)
    {
        const std::wstring dir = value(QvBase::FormatText(kPatchKeyFormat, static_cast<int>(i)));
        list.push_back(QvBase::JoinPath(dir.c_str(), L"", L'\\'));
    }
    return list;
}

void CResponseFile::Open(const wchar_t* path)
{
    Load(path);
}

void CResponseFile::Save(const wchar_t* path)
{
    QV_FUNCTION_NAME(L"CResponseFile::Save");
    const std::wstring target = path != nullptr ? path : filePath;
    // An empty name would send the profile functions to the system's win.ini.
    if (target.empty())
        throw CQvInstError(QV_WFILE, __LINE__, qvFunctionName, kResponseFileError, L"",
                           QvBase::DescribeError(ERROR_INVALID_NAME).c_str(), L"", L"");
    // A new file starts as UTF-16, so that it takes any text; an existing one
    // keeps its encoding while its values fit it.
    ResponseFileEncoding::CreateUnicodeFile(target);
    const CSaveSection save(target);
    for (const auto& section : settings)
        save(section.first, section.second);
}

void CResponseFile::Load(const wchar_t* path)
{
    const std::wstring file = AbsolutePath(path);
    QV_LIB_FUNCTION(L"CResponseFile::Load", L"ResponseFile");
    trace.Trace(2, L"%s", file.c_str());
    CLoadSummary summary(trace);

    if (file.size() >= 2 && !PathFileExistsW(file.c_str()))
        throw CQvInstError(/*isSystemCode=*/false, ERROR_FILE_NOT_FOUND, QV_WFILE, qvFunctionName,
                           __LINE__);
    if (const DWORD error = file.size() >= 2 ? ReadAccessError(file) : ERROR_SUCCESS)
    {
        trace.Trace(4, L"%s cannot be read: %u", file.c_str(), error);
        throw CQvInstError(/*isSystemCode=*/true, error, QV_WFILE, qvFunctionName, __LINE__);
    }
    const SectionNames names = ReadSectionNames(file.c_str());
    if (!names.complete)
        throw CQvInstError(QV_WFILE, __LINE__, qvFunctionName, kResponseFileError, file.c_str(),
                           QvBase::DescribeError(names.lastError).c_str(), L"", L"");
    // Stored before any value: from here on changes reach this file.
    filePath = file;
    ReadWellKnownValues(summary);
    ReadSections(names.names, summary);
}

void CResponseFile::SetWriteThrough(bool on)
{
    writeThrough = on;
}

std::wstring CResponseFile::GetFileName()
{
    return filePath;
}

std::wstring CResponseFile::GetWellKnownValue(int index, std::wstring section)
{
    const auto found = settings.find(section);
    if (found == settings.end())
        return std::wstring();
    return found->second[WellKnownKeyName(index)];
}

std::wstring CResponseFile::GetWellKnownValue(int index)
{
    return GetWellKnownValue(index, kCommonSection);
}

std::wstring CResponseFile::GetValue(std::wstring section, std::wstring key)
{
    return settings[section][key];
}

ResponseKeyMap CResponseFile::GetSection(std::wstring section)
{
    return settings[section];
}

InstallAction CResponseFile::GetAction()
{
    return GetAction(kCommonSection);
}

InstallAction CResponseFile::GetAction(std::wstring section)
{
    return ActionFromText(GetWellKnownValue(KeyAction, std::move(section)));
}

void CResponseFile::SetWellKnownValue(int index, std::wstring value, std::wstring section)
{
    if (section.empty())
        section = kCommonSection;
    const std::wstring key = WellKnownKeyName(index);
    settings[section][key] = value;
    if (WritesThrough())
        CSaveSection(filePath).Write(section, key, value);
}

void CResponseFile::SetWellKnownValue(int index, std::wstring value)
{
    SetWellKnownValue(index, std::move(value), std::wstring());
}

void CResponseFile::SetCustomSettings(std::wstring section, ResponseKeyMap keys)
{
    settings[section] = keys;
    if (WritesThrough())
        CSaveSection{filePath}(section, keys);
}

void CResponseFile::SetAction(InstallAction action, std::wstring section)
{
    SetWellKnownValue(KeyAction, ActionText(action), std::move(section));
}

void CResponseFile::SetAllComponentsAction(InstallAction action)
{
    for (int component = 1; component <= kComponentCount; ++component)
        SetComponentAction(component, action);
}

bool CResponseFile::WritesThrough() const
{
    return writeThrough && !filePath.empty();
}

void CResponseFile::MergeSettings(const std::wstring& section, const ResponseKeyMap& keys)
{
    ResponseKeyMap& stored = settings[section];
    for (const auto& key : keys)
        stored[key.first] = key.second;
    if (WritesThrough())
        CSaveSection{filePath}(section, keys);
}

void CResponseFile::ReadWellKnownValues(CLoadSummary& summary)
{
    // RebootTimeout and the numbers after it come with the sections.
    for (int index = 0; index < KeyRebootTimeout; ++index)
    {
        const std::wstring key = WellKnownKeyName(index);
        if (key.empty())
            continue;
        const std::wstring value = ReadProfileValue(filePath.c_str(), kCommonSection, key.c_str());
        SetWellKnownValue(index, value, std::wstring());
        summary.AddValue(key, value);
    }
    summary.EndLine();
}

void CResponseFile::ReadSections(const std::vector<std::wstring>& names, CLoadSummary& summary)
{
    for (const std::wstring& name : names)
    {
        summary.BeginSection(name);
        ResponseKeyMap keys;
        for (const std::wstring& entry : ReadSectionEntries(filePath.c_str(), name.c_str()))
        {
            summary.AddEntry(entry);
            keys.insert(SplitEntry(entry)); // the first of a repeated key wins
        }
        summary.EndLine();
        SetCustomSettings(name, std::move(keys));
    }
}

IResponseFile* CreateResponseFile()
{
    auto file = std::make_unique<CResponseFile>();
    file->ResetComponents();
    return file.release();
}
