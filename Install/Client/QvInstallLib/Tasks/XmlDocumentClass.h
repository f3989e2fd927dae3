#pragma once

#include <windows.h>

// The class of the newest MSXML DOM document registered (6.0, else 4.0, else
// 3.0); the HRESULT of the last lookup tried.
HRESULT GetXmlDocumentClass(CLSID* documentClass);
