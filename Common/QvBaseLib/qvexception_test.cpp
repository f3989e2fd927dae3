#include "qvexception.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using QvBase::CQvError;

// Gives tests the property map, whose values may hold NULs.
class CInspectableError : public CQvError
{
public:
    using CQvError::CQvError;
    const std::wstring& Property(const wchar_t* key) { return properties[key]; }
    bool Has(const wchar_t* key) const { return properties.count(key) != 0; }
    void SetProperty(const wchar_t* key, const wchar_t* value) { properties[key] = value; }
};

TEST(QvError, DumpOfCodeTwoHasTheDocumentedLayout)
{
    int line = 0;
    try
    {
        line = __LINE__ + 1;
        QV_THROW(2, L"QvBase::CWin32Event::Create_Ex");
    }
    catch (CQvError& error)
    {
        const std::wstring expected = L"Code: 0x00000002\r\nDescription: " +
                                      QvBase::DescribeError(2) + L"\r\nFile: " + QV_WFILE +
                                      L"\r\nFunction: QvBase::CWin32Event::Create_Ex\r\nLine: " +
                                      std::to_wstring(line) + L"\r\n";
        EXPECT_EQ(expected, error.Dump());
        EXPECT_EQ(std::wstring(L"Common/QvBaseLib/qvexception_test.cpp"), QV_WFILE);
        EXPECT_EQ(2u, error.Code());
        EXPECT_FALSE(std::wstring(error.Description()).empty());
        return;
    }
    FAIL() << "nothing was thrown";
}

TEST(QvError, CodeZeroAndOptionalPlaceEntries)
{
    CInspectableError zero(0, nullptr, 0, nullptr);
    EXPECT_EQ(L"Code: 0x00000000\r\nDescription: " + QvBase::DescribeError(0) + L"\r\n",
              std::wstring(zero.Dump()));
    EXPECT_FALSE(zero.Has(L"File"));
    EXPECT_FALSE(zero.Has(L"Line"));
    EXPECT_FALSE(zero.Has(L"Function"));

    CInspectableError emptyFunction(5, L"a.cpp", 0, L"");
    const std::wstring dump = emptyFunction.Dump();
    EXPECT_NE(std::wstring::npos, dump.find(L"\r\nFile: a.cpp\r\nFunction: \r\n"));
    EXPECT_EQ(std::wstring::npos, dump.find(L"Line:"));
}

TEST(QvError, DumpTwiceGivesTheSameTextWithoutNesting)
{
    CQvError error(87, L"f.cpp", 12, L"F");
    const std::wstring first = error.Dump();
    const std::wstring second = error.ToString();
    EXPECT_EQ(first, second);
    EXPECT_EQ(std::wstring::npos, second.find(L"Dump:"));
}

TEST(QvError, DebugInfoIsANulSeparatedListCachedAndDumped)
{
    CInspectableError error(6, L"x.cpp", 42, L"Ns::Fn");
    const wchar_t* info = error.DebugInfo();
    EXPECT_STREQ(L"File", info); // a C-string reader sees only the first key
    const wchar_t list[] = L"File\0x.cpp\0Line\0"
                           L"42\0Function\0Ns::Fn\0";
    const std::wstring expected(list, sizeof(list) / sizeof(wchar_t) - 1);
    EXPECT_EQ(expected, error.Property(L"DebugInfo"));
    EXPECT_EQ(info, error.DebugInfo());

    error.Dump();
    const std::wstring& dump = error.Property(L"Dump");
    const std::wstring debugLine = L"\r\nDebugInfo: " + expected + L"\r\nDescription: ";
    EXPECT_EQ(0u, dump.find(L"Code: 0x00000006"));
    EXPECT_NE(std::wstring::npos, dump.find(debugLine));
}

TEST(QvError, DebugInfoWithoutPlaceIsEmpty)
{
    CInspectableError error(6, nullptr, 0, nullptr);
    EXPECT_STREQ(L"", error.DebugInfo());
    EXPECT_TRUE(error.Property(L"DebugInfo").empty());
}

TEST(QvError, CodeIsParsedFromTheCodeEntry)
{
    const struct
    {
        const wchar_t* text;
        unsigned int code;
    } cases[] = {
        {L"0x00000002", 2},
        {L"0xE6000002", 0xE6000002u},
        {L"0xffffffff", 0xFFFFFFFFu},
        {L"0x", 0},
        {L"7", 0},
        {L"", 0},
        {L"0x1G", 1},
        {L"xx10", 0x10},
    };
    for (const auto& c : cases)
    {
        CInspectableError error(0, nullptr, 0, nullptr);
        error.SetProperty(L"Code", c.text);
        EXPECT_EQ(c.code, error.Code()) << c.text;
    }
}

TEST(QvError, PropertiesAreOrderedCaseInsensitively)
{
    CInspectableError error(1, L"f", 1, L"g");
    error.SetProperty(L"apple", L"1");
    error.SetProperty(L"Zebra", L"2");
    error.SetProperty(L"CODEX", L"3");
    const std::wstring dump = error.Dump();
    const size_t apple = dump.find(L"apple: 1");
    const size_t code = dump.find(L"Code: ");
    const size_t codex = dump.find(L"CODEX: 3");
    const size_t zebra = dump.find(L"Zebra: 2");
    EXPECT_LT(apple, code);
    EXPECT_LT(code, codex);
    EXPECT_LT(codex, dump.find(L"Description: "));
    EXPECT_LT(dump.find(L"Line: "), zebra);
    // One entry per key, whatever its case.
    error.SetProperty(L"code", L"0x00000009");
    EXPECT_EQ(9u, error.Code());
}

TEST(QvError, ThrowErrorPassesInsertsToTheDescription)
{
    try
    {
        QV_THROW(0xE6000002u, L"QvBase::CDll::Load", L"C:\\m.dll", L"0x00000002 (2)", L"gone");
    }
    catch (const CQvError& error)
    {
        EXPECT_EQ(0xE6000002u, error.Code());
        EXPECT_EQ(QvBase::DescribeError(0xE6000002u, L"C:\\m.dll", L"0x00000002 (2)", L"gone"),
                  error.Description());
        return;
    }
    FAIL() << "nothing was thrown";
}

TEST(QvError, LastErrorMacroRaisesTheThreadsError)
{
    SetLastError(ERROR_ACCESS_DENIED);
    try
    {
        QV_THROW_LAST_ERROR(L"Ns::Fn");
    }
    catch (const CQvError& error)
    {
        EXPECT_EQ(5u, error.Code());
        return;
    }
    FAIL() << "nothing was thrown";
}

TEST(QvError, CopiesCarryTheWholeMap)
{
    CQvError original(50, L"f.cpp", 3, L"Fn");
    CQvError copy(original);
    EXPECT_EQ(std::wstring(original.Dump()), copy.Dump());
    EXPECT_EQ(50u, copy.Code());
}
} // namespace
