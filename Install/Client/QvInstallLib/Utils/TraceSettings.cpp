#include "TraceSettings.h"

#include "OpenAccessList.h"
#include "PathUtils.h"
#include "RegistryKey.h"
#include "QvTrace.h"
#include "UniqueResource.h"

#include <shlobj.h>
#include <userenv.h>

#include <string>

namespace
{
using QvBase::CRegistryKey;

std::wstring KeyPath(const wchar_t* sink)
{
    std::wstring path = QvBase::kTraceKeyPath;
    if (sink != nullptr)
        path.append(L"\\").append(sink);
    return path;
}

DWORD ReadNumber(CRegistryKey& key, const wchar_t* name, DWORD defaultValue)
{
    DWORD value = defaultValue;
    key.GetDword(name, value, defaultValue);
    return value;
}

template <size_t N> void ReadText(CRegistryKey& key, const wchar_t* name, wchar_t (&field)[N])
{
    std::wstring value;
    key.GetString(name, value, std::wstring());
    CopyField(field, value.c_str());
}

// A text beginning with "%" in the current user's environment; the text as
// given when it does not expand.
std::wstring ExpandForUser(const wchar_t* text)
{
    if (text[0] != L'%')
        return text;
    QvBase::CUniqueToken token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE,
                          token.Put()))
        return text;
    wchar_t expanded[520] = {};
    const BOOL done = ExpandEnvironmentStringsForUserW(token.Get(), text, expanded, 520);
    return done ? std::wstring(expanded) : std::wstring(text);
}

bool IsSystemFolder(const std::wstring& path)
{
    return lstrcmpiW(path.c_str(),
                     QvBase::GetSystemFolderPath(QvBase::FolderWindows, nullptr).c_str()) == 0 ||
           lstrcmpiW(path.c_str(),
                     QvBase::GetSystemFolderPath(QvBase::FolderSystem, nullptr).c_str()) == 0;
}

// The log directory chain, open to the product's processes; an existing
// directory gets the same access list unless it is a system folder.
LONG PrepareTraceDirectory(const std::wstring& path)
{
    COpenAccessList access(COpenAccessList::ForDirectory);
    const int rc = SHCreateDirectoryExW(nullptr, path.c_str(), access.Attributes());
    if (rc == ERROR_ALREADY_EXISTS)
    {
        if (!IsSystemFolder(path))
            access.SetOn(path);
        return ERROR_SUCCESS;
    }
    return rc;
}

// The sink's common log file, created open to the product's processes.
void PrepareCommonFile(const std::wstring& path)
{
    COpenAccessList access(COpenAccessList::ForFile);
    const QvBase::CUniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_ALL, /*shareMode=*/0,
                                                     access.Attributes(), OPEN_ALWAYS,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr));
}

void OpenDebugPrintFilter()
{
    CRegistryKey key(CRegistryKey::RootLocalMachine);
    if (key.OpenSub(kDebugPrintFilterKey, /*create=*/false, KEY_SET_VALUE) == ERROR_SUCCESS)
        key.SetDword(L"Default", kAbsent);
}

// kAbsent deletes the value (an absent one stays absent), any other number
// sets it.
LONG WriteNumber(CRegistryKey& key, const wchar_t* name, DWORD value)
{
    if (value != kAbsent)
        return key.SetDword(name, value);
    const LONG rc = RegDeleteValueW(key.Handle(), name);
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG WriteNumbers(CRegistryKey& key, std::initializer_list<std::pair<const wchar_t*, DWORD>> values)
{
    for (const auto& value : values)
    {
        const LONG rc = WriteNumber(key, value.first, value.second);
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    return ERROR_SUCCESS;
}

LONG WriteMainValues(CRegistryKey& key, const TraceSettings& s, const std::wstring& tracePath)
{
    if (!tracePath.empty())
    {
        const LONG rc = key.SetString(L"TracePath", tracePath);
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    const LONG rc = WriteNumbers(key, {{L"ForceEnableMask", s.ForceEnableMask},
                                       {L"ForceParamsMask", s.ForceParamsMask},
                                       {L"ForceCommonFileFlag", s.ForceCommonFileFlag}});
    if (rc != ERROR_SUCCESS)
        return rc;
    return key.SetDword(L"DisableContextFlag", s.DisableContextFlag);
}

LONG WriteSinkValues(CRegistryKey& key, const TraceSettings& s, const std::wstring& commonFile)
{
    if (!commonFile.empty())
    {
        const LONG rc = key.SetString(L"CommonFileName", commonFile);
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    return key.SetDword(L"ContextMask", s.ContextMask);
}

LONG DeleteTraceKey(const wchar_t* sink)
{
    return RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath(sink).c_str());
}
} // namespace

LONG GetTraceSettings(const wchar_t* sink, TraceSettings& settings)
{
    CRegistryKey key(CRegistryKey::RootLocalMachine);
    const LONG rc = key.OpenSub(KeyPath(sink).c_str(), /*create=*/false, KEY_READ);
    if (rc != ERROR_SUCCESS)
        return rc;
    settings = TraceSettings{};
    ReadText(key, L"TracePath", settings.TracePath);
    ReadText(key, L"CommonFileName", settings.CommonFileName);
    settings.ForceEnableMask = ReadNumber(key, L"ForceEnableMask", kAbsent);
    settings.ForceParamsMask = ReadNumber(key, L"ForceParamsMask", kAbsent);
    settings.ForceCommonFileFlag = ReadNumber(key, L"ForceCommonFileFlag", kAbsent);
    settings.CommonFileFlag = ReadNumber(key, L"CommonFileFlag", kAbsent);
    const bool mainKey = sink == nullptr;
    settings.EnableMask = ReadNumber(key, L"EnableMask",
                                     mainKey && settings.ForceEnableMask == kAbsent ? 0 : kAbsent);
    settings.ParamsMask = ReadNumber(key, L"ParamsMask",
                                     mainKey && settings.ForceParamsMask == kAbsent ? 0 : kAbsent);
    settings.ContextMask = ReadNumber(key, L"ContextMask", 0);
    settings.DisableContextFlag = ReadNumber(key, L"DisableContextFlag", 0);
    if (mainKey && ((settings.EnableMask == kAbsent && settings.ForceEnableMask == kAbsent) ||
                    (settings.ParamsMask == kAbsent && settings.ForceParamsMask == kAbsent)))
        return ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
}

LONG SetTraceSettings(const wchar_t* sink, const TraceSettings* settings)
{
    if (settings == nullptr)
        return DeleteTraceKey(sink);
    CRegistryKey key(CRegistryKey::RootLocalMachine);
    LONG rc = key.OpenSub(KeyPath(sink).c_str(), /*create=*/true, KEY_ALL_ACCESS);
    if (rc != ERROR_SUCCESS)
        return rc;
    OpenDebugPrintFilter();
    const bool mainKey = sink == nullptr;
    std::wstring tracePath, commonFile;
    if (mainKey && settings->TracePath[0] != L'\0')
    {
        tracePath = ExpandForUser(settings->TracePath);
        rc = PrepareTraceDirectory(tracePath);
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    else if (!mainKey && settings->CommonFileName[0] != L'\0')
    {
        commonFile = ExpandForUser(settings->CommonFileName);
        PrepareCommonFile(commonFile);
    }
    rc = WriteNumbers(key, {{L"EnableMask", settings->EnableMask},
                            {L"ParamsMask", settings->ParamsMask},
                            {L"CommonFileFlag", settings->CommonFileFlag}});
    if (rc != ERROR_SUCCESS)
        return rc;
    return mainKey ? WriteMainValues(key, *settings, tracePath)
                   : WriteSinkValues(key, *settings, commonFile);
}
