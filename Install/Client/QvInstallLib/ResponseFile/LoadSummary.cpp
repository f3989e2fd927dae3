#include "LoadSummary.h"

#include "ProfileReader.h"

#include <windows.h>

namespace
{
const wchar_t kMask[] = L"***";

std::wstring Trimmed(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

std::wstring UpperCase(std::wstring text)
{
    if (!text.empty())
        CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

const std::wstring& Shown(const std::wstring& key, const std::wstring& value)
{
    static const std::wstring mask = kMask;
    return !value.empty() && IsSecretKey(key) ? mask : value;
}
} // namespace

CLoadSummary::CLoadSummary(QvBase::CTracePrefix& trace) : trace(trace) {}

CLoadSummary::~CLoadSummary()
{
    try
    {
        trace.Trace(2, L"%s", text.c_str());
    }
    catch (...)
    {
    }
}

void CLoadSummary::AddValue(const std::wstring& key, const std::wstring& value)
{
    text.append(key).append(L"=").append(Shown(key, value)).append(L";");
}

void CLoadSummary::BeginSection(const std::wstring& name)
{
    text.append(name).append(L":");
}

void CLoadSummary::AddEntry(const std::wstring& entry)
{
    const auto split = QvInstall::SplitEntry(entry);
    text.append(split.first);
    if (split.first.size() < entry.size())
        text.append(L"=").append(Shown(split.first, split.second));
    text.append(L";");
}

void CLoadSummary::EndLine()
{
    text.append(L"\r\n");
}

bool IsSecretKey(const std::wstring& key)
{
    const std::wstring name = UpperCase(Trimmed(key));
    return name == L"QVXUNINSTPWD" || name.find(L"PASSWORD") != std::wstring::npos;
}
