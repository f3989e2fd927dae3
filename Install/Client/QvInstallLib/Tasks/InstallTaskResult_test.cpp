// Result documents of the install agent.
#include "InstallTaskResult.h"

#include <comdef.h>
#include <gtest/gtest.h>

namespace
{
template <typename Record> HRESULT ParseError(const std::wstring& text)
{
    try
    {
        Record record(text);
    }
    catch (const _com_error& error)
    {
        return error.Error();
    }
    return S_OK;
}

TEST(InstallTaskResult, DocumentElementGivesCodeDescriptionAndOp)
{
    const std::wstring text = L"<result code=\"1603\" description=\"x\" op=\"3\"/>";
    const CInstallTaskResult result(text);
    EXPECT_EQ(1603, result.code);
    EXPECT_EQ(L"x", result.description);
    EXPECT_EQ(3, result.op);
    EXPECT_EQ(text, result.text);

    const CInstallTaskResult copy = result;
    EXPECT_EQ(1603, copy.code);
    EXPECT_EQ(text, copy.text);
}

TEST(InstallTaskResult, MissingOrWordNumbersReadAsZero)
{
    const CInstallTaskResult result(L"<r code='none' description=''/>");
    EXPECT_EQ(0, result.code);
    EXPECT_EQ(0, result.op);
    EXPECT_EQ(L"", result.description);
}

TEST(InstallTaskResult, MadeFromACodeHasNoOperation)
{
    const CInstallTaskResult result(0, L"");
    EXPECT_EQ(0, result.code);
    EXPECT_EQ(-1, result.op);
    EXPECT_EQ(L"", result.text);
}

TEST(InstallTaskResult, PatchResultsComeInDocumentOrder)
{
    const CPatchInstallTaskResult result(L"<r code='0' description='ok' op='6'>"
                                         L"<p code='0' path='a.msp' description='applied'/>"
                                         L"<q code='1642' path='b.msp' description='not'/>"
                                         L"<p code='x' path='c.msp'/>"
                                         L"</r>");
    EXPECT_EQ(6, result.op);
    EXPECT_EQ(L"ok", result.description);
    ASSERT_EQ(3u, result.patches.size());
    EXPECT_EQ(L"a.msp", result.patches[0].path);
    EXPECT_EQ(L"applied", result.patches[0].description);
    EXPECT_EQ(1642, result.patches[1].code);
    EXPECT_EQ(L"b.msp", result.patches[1].path);
    EXPECT_EQ(0, result.patches[2].code);
    EXPECT_EQ(L"", result.patches[2].description);
}

TEST(InstallTaskResult, BadDocumentsFailWithEPointer)
{
    for (const wchar_t* text : {L"", L"Installation failed", L"<r code='1'", L"<a></b>"})
    {
        EXPECT_EQ(E_POINTER, ParseError<CInstallTaskResult>(text)) << text;
        EXPECT_EQ(E_POINTER, ParseError<CPatchInstallTaskResult>(text)) << text;
    }
    // Text and comments are child nodes that are not elements.
    EXPECT_EQ(E_POINTER, ParseError<CPatchInstallTaskResult>(L"<r code='1'>text</r>"));
    EXPECT_EQ(E_POINTER, ParseError<CPatchInstallTaskResult>(L"<r><!--c--></r>"));
    EXPECT_EQ(S_OK, ParseError<CInstallTaskResult>(L"<r code='1'>text</r>"));
}
} // namespace
