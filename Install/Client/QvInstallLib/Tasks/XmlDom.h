#pragma once

// The MSXML DOM operations of the install tasks and their result records.
// A failed DOM call raises the COM error of its HRESULT through the
// compiler's COM support (_com_issue_error): a _com_error, or a CQvError
// where the process has installed QvBase::CComErrorTranslator. Callers keep a
// QvBase::CComApartment alive around every use of these objects.

#include "UniqueResource.h"

#include <msxml2.h>

#include <string>
#include <vector>

using CXmlDocumentPtr = QvBase::TComPtr<IXMLDOMDocument>;
using CXmlElementPtr = QvBase::TComPtr<IXMLDOMElement>;
using CXmlNodePtr = QvBase::TComPtr<IXMLDOMNode>;

// Raises the COM error of a failed HRESULT.
void CheckDomCall(HRESULT result);

// A new, empty document of the newest MSXML registered. A failed class lookup
// or creation raises CQvError with the HRESULT in the name of `function`.
CXmlDocumentPtr CreateXmlDocument(const wchar_t* function);
// A new document parsed from the text. The parser's verdict is not examined:
// a text that is not XML leaves the document without an element.
CXmlDocumentPtr ParseXmlDocument(const std::wstring& text, const wchar_t* function);
// The whole document as text.
std::wstring GetXmlText(IXMLDOMDocument* document);

// The document element; null when there is none.
CXmlElementPtr GetDocumentElement(IXMLDOMDocument* document);
// The node as an element; null when it is another kind of node.
CXmlElementPtr AsElement(IXMLDOMNode* node);
// The child nodes as elements, in document order; null for a child that is
// not an element (its first attribute read then fails with E_POINTER).
std::vector<CXmlElementPtr> GetChildElements(IXMLDOMElement* element);
// The first child element with the name; null when there is none.
CXmlElementPtr FindChildElement(IXMLDOMElement* element, const wchar_t* name);

// Attribute text; "" when the attribute is missing. A null element fails
// with E_POINTER.
std::wstring GetAttributeText(IXMLDOMElement* element, const wchar_t* name);
// ParseDecimal of the attribute's text.
int GetAttributeNumber(IXMLDOMElement* element, const wchar_t* name);
void SetAttributeText(IXMLDOMElement* element, const wchar_t* name, const std::wstring& value);
void SetAttributeNumber(IXMLDOMElement* element, const wchar_t* name, int value);

// A new element "name"; CreateElementNode makes it as a node of type
// NODE_ELEMENT in the empty namespace.
CXmlElementPtr CreateElement(IXMLDOMDocument* document, const wchar_t* name);
CXmlElementPtr CreateElementNode(IXMLDOMDocument* document, const wchar_t* name);
// Puts the declaration <?xml version='1.0'?> before everything else.
void InsertXmlDeclaration(IXMLDOMDocument* document);
void SetDocumentElement(IXMLDOMDocument* document, IXMLDOMElement* element);

std::wstring GetNodeText(IXMLDOMNode* node);
void SetNodeText(IXMLDOMNode* node, const std::wstring& text);
void AppendChildNode(IXMLDOMNode* parent, IXMLDOMNode* child);
