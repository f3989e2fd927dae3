#include "XmlDom.h"

#include "ParseDecimal.h"
#include "XmlDocumentClass.h"
#include "qvexception.h"

#include <comdef.h>

namespace
{
QvBase::CUniqueBstr MakeBstr(const std::wstring& text)
{
    QvBase::CUniqueBstr made(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (!made)
        _com_issue_error(E_OUTOFMEMORY);
    return made;
}

std::wstring TextOf(BSTR text)
{
    return text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

VARIANT VariantOf(BSTR text)
{
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = text;
    return value;
}

// A DOM call on a pointer the caller may not have: null fails as the COM
// support's smart pointers fail.
template <typename I> I* Required(I* object)
{
    if (object == nullptr)
        _com_issue_error(E_POINTER);
    return object;
}
} // namespace

void CheckDomCall(HRESULT result)
{
    if (FAILED(result))
        _com_issue_error(result);
}

CXmlDocumentPtr CreateXmlDocument(const wchar_t* function)
{
    CLSID documentClass = {};
    HRESULT result = GetXmlDocumentClass(&documentClass);
    if (FAILED(result))
        QV_THROW(result, function);
    CXmlDocumentPtr document;
    result = CoCreateInstance(documentClass, nullptr, CLSCTX_ALL, IID_IXMLDOMDocument,
                              document.PutVoid());
    if (FAILED(result) || !document)
        QV_THROW(FAILED(result) ? result : E_POINTER, function);
    return document;
}

CXmlDocumentPtr ParseXmlDocument(const std::wstring& text, const wchar_t* function)
{
    const CXmlDocumentPtr document = CreateXmlDocument(function);
    // The text comes from another process: nothing it names is fetched.
    CheckDomCall(document->put_resolveExternals(VARIANT_FALSE));
    const QvBase::CUniqueBstr source = MakeBstr(text);
    VARIANT_BOOL parsed = VARIANT_FALSE;
    CheckDomCall(document->loadXML(source.Get(), &parsed));
    return document;
}

std::wstring GetXmlText(IXMLDOMDocument* document)
{
    QvBase::CUniqueBstr text;
    CheckDomCall(Required(document)->get_xml(text.Put()));
    return TextOf(text.Get());
}

CXmlElementPtr GetDocumentElement(IXMLDOMDocument* document)
{
    CXmlElementPtr element;
    CheckDomCall(Required(document)->get_documentElement(element.Put()));
    return element;
}

CXmlElementPtr AsElement(IXMLDOMNode* node)
{
    CXmlElementPtr element;
    DOMNodeType type = NODE_INVALID;
    if (node != nullptr && SUCCEEDED(node->get_nodeType(&type)) && type == NODE_ELEMENT)
        node->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
    return element;
}

std::vector<CXmlElementPtr> GetChildElements(IXMLDOMElement* element)
{
    QvBase::TComPtr<IXMLDOMNodeList> children;
    CheckDomCall(Required(element)->get_childNodes(children.Put()));
    long count = 0;
    CheckDomCall(Required(children.Get())->get_length(&count));
    std::vector<CXmlElementPtr> elements;
    for (long index = 0; index < count; ++index)
    {
        CXmlNodePtr child;
        CheckDomCall(children->get_item(index, child.Put()));
        elements.push_back(AsElement(child.Get()));
    }
    return elements;
}

CXmlElementPtr FindChildElement(IXMLDOMElement* element, const wchar_t* name)
{
    for (const CXmlElementPtr& child : GetChildElements(element))
    {
        if (!child)
            continue;
        QvBase::CUniqueBstr childName;
        CheckDomCall(child->get_tagName(childName.Put()));
        if (TextOf(childName.Get()) == name)
            return child;
    }
    return CXmlElementPtr();
}

std::wstring GetAttributeText(IXMLDOMElement* element, const wchar_t* name)
{
    const QvBase::CUniqueBstr attribute = MakeBstr(name);
    VARIANT value;
    VariantInit(&value);
    CheckDomCall(Required(element)->getAttribute(attribute.Get(), &value));
    // A missing attribute comes back as VT_NULL.
    if (V_VT(&value) != VT_BSTR)
    {
        VariantClear(&value);
        return std::wstring();
    }
    const QvBase::CUniqueBstr text(V_BSTR(&value));
    return TextOf(text.Get());
}

int GetAttributeNumber(IXMLDOMElement* element, const wchar_t* name)
{
    return ParseDecimal(GetAttributeText(element, name));
}

void SetAttributeText(IXMLDOMElement* element, const wchar_t* name, const std::wstring& value)
{
    const QvBase::CUniqueBstr attribute = MakeBstr(name);
    const QvBase::CUniqueBstr text = MakeBstr(value);
    CheckDomCall(Required(element)->setAttribute(attribute.Get(), VariantOf(text.Get())));
}

void SetAttributeNumber(IXMLDOMElement* element, const wchar_t* name, int value)
{
    SetAttributeText(element, name, std::to_wstring(value));
}

CXmlElementPtr CreateElement(IXMLDOMDocument* document, const wchar_t* name)
{
    const QvBase::CUniqueBstr tag = MakeBstr(name);
    CXmlElementPtr element;
    CheckDomCall(Required(document)->createElement(tag.Get(), element.Put()));
    return element;
}

CXmlElementPtr CreateElementNode(IXMLDOMDocument* document, const wchar_t* name)
{
    const QvBase::CUniqueBstr tag = MakeBstr(name);
    const QvBase::CUniqueBstr noNamespace = MakeBstr(L"");
    VARIANT type;
    VariantInit(&type);
    V_VT(&type) = VT_I4;
    V_I4(&type) = NODE_ELEMENT;
    CXmlNodePtr node;
    CheckDomCall(Required(document)->createNode(type, tag.Get(), noNamespace.Get(), node.Put()));
    return AsElement(node.Get());
}

void InsertXmlDeclaration(IXMLDOMDocument* document)
{
    const QvBase::CUniqueBstr target = MakeBstr(L"xml");
    const QvBase::CUniqueBstr data = MakeBstr(L"version='1.0'");
    QvBase::TComPtr<IXMLDOMProcessingInstruction> declaration;
    CheckDomCall(Required(document)->createProcessingInstruction(target.Get(), data.Get(),
                                                                 declaration.Put()));
    CXmlNodePtr first;
    CheckDomCall(document->get_firstChild(first.Put()));
    // Before the first child; an empty document has none, and then the node
    // is simply the first.
    VARIANT before;
    VariantInit(&before);
    if (first)
    {
        V_VT(&before) = VT_UNKNOWN;
        V_UNKNOWN(&before) = first.Get();
    }
    CXmlNodePtr inserted;
    CheckDomCall(document->insertBefore(declaration.Get(), before, inserted.Put()));
}

void SetDocumentElement(IXMLDOMDocument* document, IXMLDOMElement* element)
{
    CheckDomCall(Required(document)->putref_documentElement(Required(element)));
}

std::wstring GetNodeText(IXMLDOMNode* node)
{
    QvBase::CUniqueBstr text;
    CheckDomCall(Required(node)->get_text(text.Put()));
    return TextOf(text.Get());
}

void SetNodeText(IXMLDOMNode* node, const std::wstring& text)
{
    const QvBase::CUniqueBstr value = MakeBstr(text);
    CheckDomCall(Required(node)->put_text(value.Get()));
}

void AppendChildNode(IXMLDOMNode* parent, IXMLDOMNode* child)
{
    CXmlNodePtr appended;
    CheckDomCall(Required(parent)->appendChild(Required(child), appended.Put()));
}
