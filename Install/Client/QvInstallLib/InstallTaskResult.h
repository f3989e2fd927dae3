#pragma once

// What the install agent reports back: the result document of the "error"
// value or of the result section. Its document element carries "code",
// "description" and "op"; for a patch task each child element describes one
// patch with "code", "path" and "description". Element names are not
// examined.

#include <string>
#include <vector>

// A plain record. Parsing a text that is not XML, or whose patch children
// are not elements, fails with the COM error E_POINTER (XmlDom.h).
class CInstallTaskResult
{
public:
    CInstallTaskResult(int code, std::wstring description);
    explicit CInstallTaskResult(const std::wstring& text);

    int code = 0;
    std::wstring description;
    int op = -1;
    std::wstring text; // the whole document
};

struct CPatchResult
{
    std::wstring path;
    std::wstring description;
    int code = 0;
};

// Not polymorphic: an owner that holds one through a CInstallTaskResult
// pointer must destroy it as this kind (GetResult's std::shared_ptr does).
class CPatchInstallTaskResult : public CInstallTaskResult
{
public:
    explicit CPatchInstallTaskResult(const std::wstring& text);

    std::vector<CPatchResult> patches; // in document order
};
