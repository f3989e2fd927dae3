#include "ContextReport.h"

#include "QvResponseFile.h"

#include <windows.h>

#include <string>

namespace
{
struct WellKnownKey
{
    int index;
    const wchar_t* name;
};

const WellKnownKey kWellKnownKeys[] = {
    {0, L"Installdir"},    {1, L"Action"},     {2, L"Source"},     {3, L"SourceRoot"},
    {4, L"server"},        {5, L"servername"}, {7, L"user"},       {8, L"password"},
    {12, L"SysName"},      {13, L"Id"},        {14, L"Workplace"}, {15, L"Division"},
    {16, L"QvxUninstPwd"}, {18, L"locale"},    {19, L"jcsf"},      {20, L"RebootTimeout"},
};

const wchar_t* const kComponentSections[] = {L"core", L"console",   L"local",    L"pc",
                                             L"disk", L"ta",        L"meridane", L"softpspt",
                                             L"te",   L"antivirus", L"sandbox"};

std::wstring WindowText(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::wstring EngineDirectory()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const wchar_t*>(&EngineDirectory), &self);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(self, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\') + 1);
}

// String 1 of the language file <engine dir>\<locale>\QvInstMain.dll.mui.
std::wstring LanguageFileGreeting(const std::wstring& locale)
{
    const std::wstring path = EngineDirectory() + locale + L"\\QvInstMain.dll.mui";
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr)
        return L"(no language file " + locale + L")";
    wchar_t text[256] = {};
    LoadStringW(module, 1, text, 256);
    FreeLibrary(module);
    return text;
}

void AddResponseFile(CInstallContext& context, CReportLines& lines)
{
    const auto responseFile = context.GetResponseFile();
    lines.Add(L"ResponseFile", responseFile->GetFileName());
    for (const WellKnownKey& key : kWellKnownKeys)
        lines.Add(std::wstring(L"Common.") + key.name, responseFile->GetWellKnownValue(key.index));
    for (const wchar_t* section : kComponentSections)
        lines.Add(std::wstring(L"Action.") + section,
                  std::to_wstring(static_cast<int>(responseFile->GetAction(section))));
}

void AddPatches(CInstallContext& context, CReportLines& lines)
{
    const auto patches = context.GetPatches();
    lines.Add(L"Patches", std::to_wstring(patches.size()));
    int number = 0;
    for (const std::wstring& patch : patches)
        lines.Add(L"Patch" + std::to_wstring(number++), patch);
}
} // namespace

CReportLines DescribeContext(CInstallContext& context)
{
    CReportLines lines;
    lines.Add(L"Silent", context.IsSilent() ? L"1" : L"0");
    HWND window = context.GetWindow();
    lines.Add(L"Window", window != nullptr ? L"present" : L"none");
    if (window != nullptr)
    {
        lines.Add(L"WindowTitle", WindowText(window));
        // The start-up window's one line of text: its static control has id -1.
        lines.Add(L"WindowText", WindowText(GetDlgItem(window, -1)));
    }
    const std::wstring locale = context.GetLocaleName();
    lines.Add(L"Locale", locale);
    lines.Add(L"Source", context.GetSource());
    lines.Add(L"SourceRoot", context.GetSourceRoot());
    lines.Add(L"FailedDir", context.GetFailedDir());
    AddResponseFile(context, lines);
    AddPatches(context, lines);
    lines.Add(L"LanguageFile", LanguageFileGreeting(locale));
    return lines;
}
