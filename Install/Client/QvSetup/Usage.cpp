#include "Usage.h"

#include "BuildInfo.h"
#include "SccmActions.h"
#include "SetupOptions.h"
#include "resource.h"

#include <string>

namespace
{
constexpr int kMaxLineLength = 512;

std::wstring LoadText(HINSTANCE instance, UINT id)
{
    wchar_t text[kMaxLineLength] = {};
    LoadStringW(instance, id, text, kMaxLineLength);
    return text;
}

std::wstring Option(const wchar_t* name)
{
    return std::wstring(L"/") + name;
}

// Every action of the SCCM mode, in the order the mode tests them.
std::wstring SccmActionsLine()
{
    std::wstring line;
    for (const CSccmAction& row : SccmActions())
        line += (line.empty() ? L"" : L" | ") + Option(row.option) + row.valueHint;
    return line;
}

// Writes UTF-16 to a console and UTF-8 to a file or pipe.
void WriteToStandardOutput(const std::wstring& text)
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    DWORD mode = 0;
    const int length = static_cast<int>(text.size());
    if (GetConsoleMode(output, &mode))
    {
        WriteConsoleW(output, text.c_str(), static_cast<DWORD>(length), &written,
                      /*reserved=*/nullptr);
        return;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, nullptr, 0,
                                         /*defaultChar=*/nullptr, /*usedDefault=*/nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, &bytes[0], size, nullptr, nullptr);
    WriteFile(output, bytes.data(), static_cast<DWORD>(size), &written, /*overlapped=*/nullptr);
}
} // namespace

std::wstring UsageText(HINSTANCE instance)
{
    using namespace SetupOptionName;
    struct CLine
    {
        std::wstring option;
        UINT description;
    };
    const CLine lines[] = {
        {Option(kScript), IDS_USAGE_SCRIPT},
        {Option(kGroupPolicy), IDS_USAGE_GP},
        {Option(kJcsf), IDS_USAGE_JCSF},
        {Option(kSource) + L":<dir>", IDS_USAGE_SOURCE},
        {Option(kSccm) + L" " + SccmActionsLine(), IDS_USAGE_SCCM},
        {Option(kSccm) + L" " + Option(SccmOptionName::kTimeout) + L":<n>", IDS_USAGE_TIMEOUT},
        {Option(kUsage) + L" | -" + kUsage + L" | " + Option(kHelp), IDS_USAGE_USAGE},
    };
    std::wstring text = LoadText(instance, IDS_USAGE_HEADER) + L"\r\n";
    for (const CLine& line : lines)
        text += line.option + L"\t" + LoadText(instance, line.description) + L"\r\n";
    return text;
}

void GiveUsage(HINSTANCE instance, const CSetupOptions& options)
{
    const std::wstring text = UsageText(instance);
    if (options.script || options.sccm)
        WriteToStandardOutput(text);
    else
        MessageBoxW(/*owner=*/nullptr, text.c_str(), BuildInfo::kTitle, MB_ICONINFORMATION);
}
