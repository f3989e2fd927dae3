#pragma once

// What the install agent reports back: the result document of the "error"
// value or of the result section. Its document element carries "code",
// "description" and "op"; for a patch task each child element describes one
// patch with "code", "path" and "description". The agent writes it with
// WriteResultDocument below, the setup side reads it with the records here,
// over the same names. Element names are not examined when reading.

#include <string>
#include <vector>

struct CPatchResult
{
    std::wstring path;
    std::wstring description;
    int code = 0;
};

// The document for a result: a "result" element with "code", "description"
// and "op", and one "patch" child per patch with its "code", "description"
// and "path"; every text escaped for an attribute.
std::wstring WriteResultDocument(int code, const std::wstring& description, int op,
                                 const std::vector<CPatchResult>& patches);
// Text safe inside a double-quoted XML attribute.
std::wstring EscapeXmlAttribute(const std::wstring& text);

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

protected:
    // One reading of a document, patches and all; a failure names the
    // function.
    struct CParsed;
    static CParsed Parse(const std::wstring& text, bool withPatches, const wchar_t* function);
    explicit CInstallTaskResult(const CParsed& parsed);
};

// Not polymorphic: an owner that holds one through a CInstallTaskResult
// pointer must destroy it as this kind (GetResult's std::shared_ptr does).
class CPatchInstallTaskResult : public CInstallTaskResult
{
public:
    explicit CPatchInstallTaskResult(const std::wstring& text);

    std::vector<CPatchResult> patches; // in document order

private:
    explicit CPatchInstallTaskResult(CParsed&& parsed);
};
