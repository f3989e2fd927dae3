#include "ResponseFileTables.h"

#include <windows.h>

namespace QvInstall
{
namespace
{
// Indexed by key number; the gaps are part of the numbering.
const wchar_t* const kWellKnownKeys[] = {
    L"Installdir",    L"Action",     L"Source",    L"SourceRoot",
    L"server",        L"servername", L"",          L"user",
    L"password",      L"",           L"",          L"",
    L"SysName",       L"Id",         L"Workplace", L"Division",
    L"QvxUninstPwd",  L"",           L"locale",    L"jcsf",
    L"RebootTimeout",
};

// Indexed by component number; 0, 11 and 15 are no components.
const ComponentEntry kComponents[] = {
    {kCommonSection, nullptr}, {L"core", nullptr},      {L"console", nullptr},
    {L"local", L"ERASER"},     {L"local", L"DC"},       {L"local", L"FDC"},
    {L"local", L"EXEQUOTA"},   {L"local", L"MC"},       {L"pc", nullptr},
    {L"disk", L"TBL"},         {L"disk", L"CRCONT"},    {kCommonSection, nullptr},
    {L"ta", L"TA_Firewall"},   {L"ta", L"TA_IPSEC"},    {L"ta", L"TA_IDS"},
    {kCommonSection, nullptr}, {L"meridane", nullptr},  {L"softpspt", nullptr},
    {L"te", nullptr},          {L"antivirus", nullptr}, {L"sandbox", nullptr},
    {L"disk", L"FDE"},
};

const wchar_t* const kActionTexts[] = {L"none", L"install", L"repair", L"uninstall", L"upgrade"};

template <typename T, size_t N> constexpr int CountOf(const T (&)[N])
{
    return static_cast<int>(N);
}
} // namespace

const wchar_t* WellKnownKeyName(int index)
{
    return index >= 0 && index < CountOf(kWellKnownKeys) ? kWellKnownKeys[index] : L"";
}

ComponentEntry FindComponent(int component)
{
    return component > 0 && component < CountOf(kComponents) ? kComponents[component]
                                                             : kComponents[0];
}

const wchar_t* ActionText(InstallAction action)
{
    const int number = static_cast<int>(action);
    return number > 0 && number < CountOf(kActionTexts) ? kActionTexts[number] : kActionTexts[0];
}

InstallAction ActionFromText(const std::wstring& text)
{
    for (int number = 1; number < CountOf(kActionTexts); ++number)
    {
        if (CompareStringOrdinal(text.c_str(), static_cast<int>(text.size()), kActionTexts[number],
                                 -1, TRUE) == CSTR_EQUAL)
            return static_cast<InstallAction>(number);
    }
    return ActionNone;
}
} // namespace QvInstall
