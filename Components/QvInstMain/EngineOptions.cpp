#include "EngineOptions.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace
{
bool ReadVariable(const wchar_t* name, std::wstring& value)
{
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return false;
    std::vector<wchar_t> buffer(size);
    const DWORD length = GetEnvironmentVariableW(name, buffer.data(), size);
    value.assign(buffer.data(), length < size ? length : 0);
    return !value.empty();
}

unsigned int ParseNumber(const std::wstring& text)
{
    return static_cast<unsigned int>(std::wcstoul(text.c_str(), nullptr, 0));
}

std::wstring DefaultReportPath()
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp) + L"QvInstMain.report.txt";
}
} // namespace

CEngineOptions ReadEngineOptions()
{
    CEngineOptions options;
    if (!ReadVariable(L"QVINSTMAIN_REPORT", options.reportPath))
        options.reportPath = DefaultReportPath();
    std::wstring text;
    if (ReadVariable(L"QVINSTMAIN_RETURN", text))
        options.returnValue = ParseNumber(text);
    if (ReadVariable(L"QVINSTMAIN_RAISE", text))
    {
        options.raiseStdException = text == L"std";
        options.raiseQvError = !options.raiseStdException;
        options.raiseCode = ParseNumber(text);
    }
    return options;
}
