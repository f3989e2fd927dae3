#include "QvInstError.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

namespace
{
TEST(QvInstError, MessageIdFormatsTheProgramString)
{
    CQvInstError error(L"src.cpp", 77, L"CSccmInstall::Do", 129u, L"Quorvel", 5u);
    EXPECT_EQ(129u, error.Code());
    EXPECT_STREQ(L"Cannot install Quorvel: code 5.", error.Description());
    EXPECT_EQ(L"src.cpp", error.SourceFile());
    EXPECT_EQ(77, error.Line());
    // The base part describes the same number read as a system code.
    const std::wstring dump = error.Dump();
    EXPECT_EQ(0u, dump.find(L"Code: 0x00000081\r\nDescription: " + QvBase::DescribeError(129)));
}

TEST(QvInstError, MissingStringGivesAnEmptyDescription)
{
    CQvInstError formatted(L"f", 1, L"F", 20010u);
    EXPECT_EQ(20010u, formatted.Code());
    EXPECT_STREQ(L"", formatted.Description());

    CQvInstError plain(false, 20010u, L"f", L"F", 1);
    EXPECT_EQ(20010u, plain.Code());
    EXPECT_STREQ(L"", plain.Description());
}

TEST(QvInstError, SystemCodeOrMessageId)
{
    const struct
    {
        bool isSystem;
        unsigned int code;
        const wchar_t* description; // nullptr: DescribeError of the code
    } cases[] = {
        {true, 5, nullptr},
        {false, 130, L"Plain text without arguments."},
        {false, 129, L"Cannot install %s: code %u."}, // unformatted
    };
    for (const auto& c : cases)
    {
        CQvInstError error(c.isSystem, c.code, L"file.cpp", L"Fn", 9);
        EXPECT_EQ(c.code, error.Code());
        const std::wstring expected =
            c.description != nullptr ? c.description : QvBase::DescribeError(c.code);
        EXPECT_EQ(expected, error.Description());
        EXPECT_EQ(9, error.Line());
    }
}

TEST(QvInstError, CopyKeepsCodeTextAndPlace)
{
    const CQvInstError original(true, 5, L"file.cpp", L"Fn", 9);
    CQvInstError copy(original);
    EXPECT_EQ(5u, copy.Code());
    EXPECT_EQ(std::wstring(original.Description()), copy.Description());
    EXPECT_EQ(L"file.cpp", copy.SourceFile());
    EXPECT_EQ(9, copy.Line());

    CQvInstError assigned(L"x", 1, L"y", 130u);
    assigned = original;
    EXPECT_EQ(5u, assigned.Code());
    EXPECT_EQ(9, assigned.Line());
}

TEST(QvInstError, CaughtBeforeTheBaseClass)
{
    try
    {
        throw CQvInstError(false, 130, L"f", L"F", 2);
    }
    catch (const CQvInstError& error)
    {
        EXPECT_EQ(130u, error.Code());
        return;
    }
    catch (const QvBase::CQvError&)
    {
    }
    FAIL() << "not caught as CQvInstError";
}
} // namespace
