#include "ResultDocument.h"

#include "ErrorText.h"

namespace QvAgent
{
namespace
{
std::wstring Attributes(unsigned int code)
{
    return L" code=\"" + std::to_wstring(static_cast<int>(code)) + L"\" description=\"" +
           EscapeAttribute(QvBase::DescribeError(code)) + L"\"";
}
} // namespace

std::wstring EscapeAttribute(const std::wstring& text)
{
    std::wstring escaped;
    for (wchar_t c : text)
    {
        switch (c)
        {
        case L'&':
            escaped += L"&amp;";
            break;
        case L'<':
            escaped += L"&lt;";
            break;
        case L'>':
            escaped += L"&gt;";
            break;
        case L'"':
            escaped += L"&quot;";
            break;
        case L'\r':
            escaped += L"&#13;";
            break;
        case L'\n':
            escaped += L"&#10;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::wstring BuildResultDocument(const CTaskOutcome& outcome, int op)
{
    std::wstring text = L"<?xml version=\"1.0\"?><result" + Attributes(outcome.code) + L" op=\"" +
                        std::to_wstring(op) + L"\">";
    for (const CPatchResult& patch : outcome.patches)
        text += L"<patch" + Attributes(patch.code) + L" path=\"" + EscapeAttribute(patch.path) +
                L"\"/>";
    return text + L"</result>";
}
} // namespace QvAgent
