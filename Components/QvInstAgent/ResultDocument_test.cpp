#include "ResultDocument.h"

#include "InstallTaskResult.h"

#include <gtest/gtest.h>

namespace
{
using QvAgent::BuildResultDocument;
using QvAgent::CTaskOutcome;

TEST(AgentResultDocument, CarriesCodeDescriptionOpAndPatches)
{
    CTaskOutcome outcome;
    outcome.code = 1603;
    outcome.patches = {{L"C:\\p\\a&b.msp", 0}, {L"C:\\p\\\"q\".msp", 1636}};
    const std::wstring text = BuildResultDocument(outcome, 100);
    EXPECT_EQ(0u, text.find(L"<?xml version=\"1.0\"?><result code=\"1603\" description=\""));
    EXPECT_NE(std::wstring::npos, text.find(L"op=\"100\">")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L"<patch code=\"0\"")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L"path=\"C:\\p\\a&amp;b.msp\"/>")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L"<patch code=\"1636\"")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L"path=\"C:\\p\\&quot;q&quot;.msp\"/>")) << text;
    EXPECT_EQ(L"</result>", text.substr(text.size() - 9));
}

TEST(AgentResultDocument, DescriptionIsNeverEmptyAndEscaped)
{
    CTaskOutcome outcome;
    outcome.code = 0;
    const std::wstring text = BuildResultDocument(outcome, 2);
    EXPECT_EQ(std::wstring::npos, text.find(L"description=\"\"")) << text;
    EXPECT_EQ(std::wstring::npos, text.find(L'\n')) << text;
    EXPECT_EQ(L"a&lt;b&gt;&#13;&#10;", EscapeXmlAttribute(L"a<b>\r\n"));
}
// What the setup program makes of it: its own parser reads every value back.
TEST(AgentResultDocument, SetupSideReadsItBack)
{
    CTaskOutcome outcome;
    outcome.code = 1636;
    outcome.patches = {{L"C:\\p\\a&b <1>.msp", 1636}, {L"C:\\p\\\"q\".msp", 0}};
    const std::wstring text = BuildResultDocument(outcome, 100);
    const CPatchInstallTaskResult result(text);
    EXPECT_EQ(1636, result.code);
    EXPECT_EQ(100, result.op);
    EXPECT_FALSE(result.description.empty());
    EXPECT_EQ(text, result.text);
    ASSERT_EQ(2u, result.patches.size());
    EXPECT_EQ(L"C:\\p\\a&b <1>.msp", result.patches[0].path);
    EXPECT_EQ(1636, result.patches[0].code);
    EXPECT_EQ(L"C:\\p\\\"q\".msp", result.patches[1].path);
    EXPECT_EQ(0, result.patches[1].code);
}
} // namespace
