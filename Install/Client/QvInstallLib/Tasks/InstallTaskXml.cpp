// The XML form of a task: a declaration and one "task" element.
#include "InstallTask.h"

#include "FuncTraceContext.h"
#include "TraceLineScope.h"

namespace
{
constexpr const wchar_t* kTaskElement = L"task";
constexpr const wchar_t* kIdAttribute = L"id";
constexpr const wchar_t* kTypeAttribute = L"type";
constexpr const wchar_t* kTimeoutAttribute = L"timeout";
constexpr const wchar_t* kSourceAttribute = L"source";
constexpr const wchar_t* kLocaleAttribute = L"locale";
constexpr const wchar_t* kInteractiveAttribute = L"interactive";
} // namespace

std::wstring CCommonInstallTask::SerializeToXml()
{
    QV_LIB_FUNCTION(L"CCommonInstallTask::SerializeToXml", L"task");
    const QvBase::CComApartment apartment;
    std::wstring text;
    {
        const CXmlDocumentPtr document = CreateXmlDocument(qvFunctionName);
        InsertXmlDeclaration(document.Get());
        const CXmlElementPtr element = CreateElement(document.Get(), kTaskElement);
        SetAttributeText(element.Get(), kIdAttribute, id);
        SetAttributeNumber(element.Get(), kTypeAttribute, type);
        SetAttributeNumber(element.Get(), kTimeoutAttribute, timeout);
        SetAttributeText(element.Get(), kSourceAttribute, source);
        SetAttributeText(element.Get(), kLocaleAttribute, locale);
        SetAttributeText(element.Get(), kInteractiveAttribute, IsInteractive() ? L"1" : L"0");
        SaveToXml(element.Get(), document.Get());
        SetDocumentElement(document.Get(), element.Get());
        text = GetXmlText(document.Get());
    }
    trace.Trace(2, L"%s", text.c_str());
    return text;
}

void CCommonInstallTask::InitFromXml(const std::wstring& text)
{
    QV_LIB_FUNCTION(L"CCommonInstallTask::InitFromXml", L"task");
    trace.Trace(2, L"%s", text.c_str());
    const QvBase::CComApartment apartment;
    {
        const CXmlDocumentPtr document = ParseXmlDocument(text, qvFunctionName);
        // Null for a text that is not XML: the first read fails with E_POINTER.
        const CXmlElementPtr element = GetDocumentElement(document.Get());
        source = GetAttributeText(element.Get(), kSourceAttribute);
        id = GetAttributeText(element.Get(), kIdAttribute);
        timeout = GetAttributeNumber(element.Get(), kTimeoutAttribute);
        type = GetAttributeNumber(element.Get(), kTypeAttribute);
        locale = GetAttributeText(element.Get(), kLocaleAttribute);
        interactive = GetAttributeNumber(element.Get(), kInteractiveAttribute) == 1;
        LoadFromXml(element.Get(), document.Get());
    }
    TraceParams();
}

void CCommonInstallTask::TraceParams()
{
    QvBase::CLibTracePrefix prefix;
    prefix.Trace(2, L"Type: %d Locale: %s Timeout: %d Source: %s Id: %s", type, locale.c_str(),
                 timeout, source.c_str(), id.c_str());
}
