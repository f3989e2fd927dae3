#include "XmlDocumentClass.h"

#include <objbase.h>

HRESULT GetXmlDocumentClass(CLSID* documentClass)
{
    static const wchar_t* const kProgIds[] = {
        L"Msxml2.DOMDocument.6.0",
        L"Msxml2.DOMDocument.4.0",
        L"Msxml2.DOMDocument.3.0",
    };
    HRESULT hr = E_FAIL;
    for (const wchar_t* progId : kProgIds)
    {
        hr = CLSIDFromProgID(progId, documentClass);
        if (SUCCEEDED(hr))
            break;
    }
    return hr;
}
