#include "InstallTaskResult.h"

#include "XmlDom.h"
#include "qvexception.h"

namespace
{
constexpr const wchar_t* kCodeAttribute = L"code";
constexpr const wchar_t* kDescriptionAttribute = L"description";
constexpr const wchar_t* kOpAttribute = L"op";
constexpr const wchar_t* kPathAttribute = L"path";

} // namespace

CInstallTaskResult::CInstallTaskResult(int code, std::wstring description)
    : code(code), description(std::move(description))
{
}

CInstallTaskResult::CInstallTaskResult(const std::wstring& documentText)
{
    QV_FUNCTION_NAME(L"CInstallTaskResult::CInstallTaskResult");
    const QvBase::CComApartment apartment;
    const CXmlDocumentPtr document = ParseXmlDocument(documentText, qvFunctionName);
    const CXmlElementPtr element = GetDocumentElement(document.Get());
    description = GetAttributeText(element.Get(), kDescriptionAttribute);
    code = GetAttributeNumber(element.Get(), kCodeAttribute);
    op = GetAttributeNumber(element.Get(), kOpAttribute);
    text = documentText;
}

CPatchInstallTaskResult::CPatchInstallTaskResult(const std::wstring& documentText)
    : CInstallTaskResult(documentText)
{
    QV_FUNCTION_NAME(L"CPatchInstallTaskResult::CPatchInstallTaskResult");
    const QvBase::CComApartment apartment;
    const CXmlDocumentPtr document = ParseXmlDocument(documentText, qvFunctionName);
    const CXmlElementPtr element = GetDocumentElement(document.Get());
    for (const CXmlElementPtr& child : GetChildElements(element.Get()))
    {
        CPatchResult patch;
        patch.code = GetAttributeNumber(child.Get(), kCodeAttribute);
        patch.path = GetAttributeText(child.Get(), kPathAttribute);
        patch.description = GetAttributeText(child.Get(), kDescriptionAttribute);
        patches.push_back(std::move(patch));
    }
}
