#include "InstallTaskResult.h"

#include "XmlDom.h"

namespace
{
// The names both sides use.
constexpr const wchar_t* kResultElement = L"result";
constexpr const wchar_t* kPatchElement = L"patch";
constexpr const wchar_t* kCodeAttribute = L"code";
constexpr const wchar_t* kDescriptionAttribute = L"description";
constexpr const wchar_t* kOpAttribute = L"op";
constexpr const wchar_t* kPathAttribute = L"path";

std::wstring Attribute(const wchar_t* name, const std::wstring& value)
{
    return std::wstring(L" ") + name + L"=\"" + EscapeXmlAttribute(value) + L"\"";
}

std::wstring CodeAndDescription(int code, const std::wstring& description)
{
    return Attribute(kCodeAttribute, std::to_wstring(code)) +
           Attribute(kDescriptionAttribute, description);
}
} // namespace

std::wstring EscapeXmlAttribute(const std::wstring& text)
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

std::wstring WriteResultDocument(int code, const std::wstring& description, int op,
                                 const std::vector<CPatchResult>& patches)
{
    std::wstring text = std::wstring(L"<?xml version=\"1.0\"?><") + kResultElement +
                        CodeAndDescription(code, description) +
                        Attribute(kOpAttribute, std::to_wstring(op)) + L">";
    for (const CPatchResult& patch : patches)
        text += std::wstring(L"<") + kPatchElement +
                CodeAndDescription(patch.code, patch.description) +
                Attribute(kPathAttribute, patch.path) + L"/>";
    return text + L"</" + kResultElement + L">";
}

struct CInstallTaskResult::CParsed
{
    int code = 0;
    std::wstring description;
    int op = -1;
    std::wstring text;
    std::vector<CPatchResult> patches;
};

CInstallTaskResult::CParsed CInstallTaskResult::Parse(const std::wstring& documentText,
                                                      bool withPatches, const wchar_t* function)
{
    const QvBase::CComApartment apartment;
    const CXmlDocumentPtr document = ParseXmlDocument(documentText, function);
    const CXmlElementPtr element = GetDocumentElement(document.Get());
    CParsed parsed;
    parsed.description = GetAttributeText(element.Get(), kDescriptionAttribute);
    parsed.code = GetAttributeNumber(element.Get(), kCodeAttribute);
    parsed.op = GetAttributeNumber(element.Get(), kOpAttribute);
    parsed.text = documentText;
    if (!withPatches)
        return parsed;
    for (const CXmlElementPtr& child : GetChildElements(element.Get()))
    {
        CPatchResult patch;
        patch.code = GetAttributeNumber(child.Get(), kCodeAttribute);
        patch.path = GetAttributeText(child.Get(), kPathAttribute);
        patch.description = GetAttributeText(child.Get(), kDescriptionAttribute);
        parsed.patches.push_back(std::move(patch));
    }
    return parsed;
}

CInstallTaskResult::CInstallTaskResult(int code, std::wstring description)
    : code(code), description(std::move(description))
{
}

CInstallTaskResult::CInstallTaskResult(const std::wstring& documentText)
    : CInstallTaskResult(
          Parse(documentText, /*withPatches=*/false, L"CInstallTaskResult::CInstallTaskResult"))
{
}

CInstallTaskResult::CInstallTaskResult(const CParsed& parsed)
    : code(parsed.code), description(parsed.description), op(parsed.op), text(parsed.text)
{
}

CPatchInstallTaskResult::CPatchInstallTaskResult(const std::wstring& documentText)
    : CPatchInstallTaskResult(Parse(documentText, /*withPatches=*/true,
                                    L"CPatchInstallTaskResult::CPatchInstallTaskResult"))
{
}

CPatchInstallTaskResult::CPatchInstallTaskResult(CParsed&& parsed)
    : CInstallTaskResult(parsed), patches(std::move(parsed.patches))
{
}
