// Splitting what the profile functions return, and the growing reads.
#include "ProfileReader.h"

#include "TraceConfig.h"

#include <gtest/gtest.h>

namespace
{
using QvInstall::SplitEntry;

TEST(ProfileEntry, SplitsAtTheFirstEqualsSignWithoutTrimming)
{
    struct Case
    {
        const wchar_t* entry;
        const wchar_t* key;
        const wchar_t* value;
    };
    const Case cases[] = {
        {L"Action=install", L"Action", L"install"},
        {L"flag", L"flag", L""},
        {L"a=b=c", L"a", L"b=c"},
        {L" key = value ", L" key ", L" value "},
        {L"=value", L"", L"value"},
        {L"key=", L"key", L""},
    };
    for (const Case& c : cases)
    {
        const auto split = SplitEntry(c.entry);
        EXPECT_EQ(c.key, split.first) << c.entry;
        EXPECT_EQ(c.value, split.second) << c.entry;
    }
}

TEST(ProfileEntry, StringListStopsAtTheEmptyStringOrTheBufferEnd)
{
    const wchar_t list[] = L"one\0two\0\0three";
    EXPECT_EQ((std::vector<std::wstring>{L"one", L"two"}),
              QvInstall::SplitStringList(list, sizeof list / sizeof list[0]));
    // No terminator within the count: the last string ends at the buffer end.
    const wchar_t unterminated[] = {L'a', L'\0', L'b', L'c'};
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"bc"}),
              QvInstall::SplitStringList(unterminated, 4));
    EXPECT_TRUE(QvInstall::SplitStringList(nullptr, 10).empty());
}

class ProfileRead : public ::testing::Test
{
protected:
    void Write(const std::wstring& section, const std::wstring& key, const std::wstring& value)
    {
        ASSERT_TRUE(
            WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path.c_str()));
    }

    QvTest::CTempDir dir{L"QvProfileReadTest"};
    std::wstring path = dir / L"read.ini";
};

TEST_F(ProfileRead, LongValuesAndSectionsAreReadWhole)
{
    for (size_t length : {259u, 260u, 300u, 40000u})
    {
        const std::wstring value(length, L'v');
        Write(L"Common", L"Installdir", value);
        EXPECT_EQ(value, QvInstall::ReadProfileValue(path.c_str(), L"Common", L"Installdir"))
            << length;
        const auto entries = QvInstall::ReadSectionEntries(path.c_str(), L"Common");
        ASSERT_EQ(1u, entries.size()) << length;
        EXPECT_EQ(L"Installdir=" + value, entries[0]) << length;
    }
    EXPECT_EQ(L"", QvInstall::ReadProfileValue(path.c_str(), L"Common", L"missing"));
}

TEST_F(ProfileRead, SectionNamesReportWhetherTheyFit)
{
    Write(L"first", L"k", L"1");
    Write(L"second", L"k", L"1");
    QvInstall::SectionNames names = QvInstall::ReadSectionNames(path.c_str());
    EXPECT_TRUE(names.complete);
    EXPECT_EQ((std::vector<std::wstring>{L"first", L"second"}), names.names);

    // 120 names of 9 characters and their terminators take 1,200 characters.
    for (int i = 0; i < 120; ++i)
        Write(L"section" + std::to_wstring(100 + i), L"k", L"1");
    names = QvInstall::ReadSectionNames(path.c_str());
    EXPECT_FALSE(names.complete);
}
} // namespace
