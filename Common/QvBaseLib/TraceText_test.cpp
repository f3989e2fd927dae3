#include "TraceText.h"

#include <gtest/gtest.h>

namespace
{
using QvBase::TraceDumpText;

struct DumpCase
{
    unsigned int size;
    unsigned int flags;
    const wchar_t* expected;
};

TEST(TraceDumpText, TenBytes)
{
    const unsigned char data[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(L"Buf\r\n 00: 01 02 03 04 05 06 07 08 - 09 0A\r\n",
              TraceDumpText(L"Buf", data, sizeof data, 0));
}

TEST(TraceDumpText, LayoutsAndIndexWidths)
{
    std::vector<unsigned char> data(0x40000 + 8);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i);

    // 32 bytes fill one byte line exactly: no final line break.
    EXPECT_EQ(L"T\r\n 00: 00 01 02 03 04 05 06 07 - 08 09 0A 0B 0C 0D 0E 0F - 10 11 12 13 14 15 "
              L"16 17 - 18 19 1A 1B 1C 1D 1E 1F",
              TraceDumpText(L"T", data.data(), 32, 0));
    // 16-bit words, little-endian, a group mark before the ninth; 3 bytes → one word.
    EXPECT_EQ(L"T\r\n 00: 0100\r\n", TraceDumpText(L"T", data.data(), 3, 0x40));
    // 32-bit words take precedence over 16-bit ones; stray bytes are ignored.
    EXPECT_EQ(L"T\r\n 00: 03020100 07060504\r\n", TraceDumpText(L"T", data.data(), 10, 0xC0));

    struct Width
    {
        unsigned int size, flags;
        const wchar_t* firstLine;
    };
    const Width widths[] = {
        {255, 0, L"\r\n 00:"},          {256, 0, L"\r\n 0000:"},
        {0xFFFF, 0, L"\r\n 0000:"},     {0x10000, 0, L"\r\n 00000000:"},
        {511, 0x40, L"\r\n 00:"},       {512, 0x40, L"\r\n 0000:"},
        {0x1FFFF, 0x40, L"\r\n 0000:"}, {0x20000, 0x40, L"\r\n 00000000:"},
        {1023, 0x80, L"\r\n 00:"},      {1024, 0x80, L"\r\n 0000:"},
        {0x3FFFF, 0x80, L"\r\n 0000:"}, {0x40000, 0x80, L"\r\n 00000000:"},
    };
    for (const Width& w : widths)
    {
        SCOPED_TRACE(testing::Message() << "size " << w.size << " flags " << w.flags);
        const std::wstring text = TraceDumpText(L"", data.data(), w.size, w.flags);
        EXPECT_EQ(0u, text.find(w.firstLine));
    }
    // The index counts items, not bytes.
    const std::wstring words = TraceDumpText(L"", data.data(), 64, 0x80);
    EXPECT_NE(std::wstring::npos, words.find(L"\r\n 08: "));
}

TEST(TraceLineHeader, ColumnsInOrder)
{
    SYSTEMTIME t = {};
    t.wYear = 2026, t.wMonth = 12, t.wDay = 8, t.wHour = 19, t.wMinute = 55, t.wSecond = 1;
    t.wMilliseconds = 123;
    EXPECT_EQ("08.12.2026 19:55:01.123[QvInstallLib] [00000001] [1A2C:F00] W> ",
              QvBase::TraceLineHeader(t, 0xFC01, true, L"QvInstallLib", 1, 0x1A2C, 0xF00, 4));
    EXPECT_EQ("08.12.2026 19:55:01",
              QvBase::TraceLineHeader(t, 0x3001, false, L"QvSetup", 1, 2, 3, 2));
    // Milliseconds only with the time column; the name whenever asked for.
    EXPECT_EQ("[QvSetup] E> ", QvBase::TraceLineHeader(t, 0x0401, true, L"QvSetup", 1, 2, 3, 8));
    EXPECT_EQ("", QvBase::TraceLineHeader(t, 0x0001, false, L"QvSetup", 1, 2, 3, 16));
}

TEST(TraceLogPath, FileNameAndDirectoryRules)
{
    struct Case
    {
        const wchar_t* sink;
        unsigned int common;
        const wchar_t* commonName;
        const wchar_t* tracePath;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"QvSetup", 0, L"", L"C:\\logs", L"C:\\logs\\QvSetup.log"},
        {L"QvSetup", 0, L"", L"C:\\logs\\", L"C:\\logs\\QvSetup.log"},
        {L"a.b", 0, L"", L"C:\\l", L"C:\\l\\a.b.log"},
        {L"trace.txt", 0, L"", L"C:\\l", L"C:\\l\\trace.txt"},
        {L"x.", 0, L"", L"C:\\l", L"C:\\l\\x.log"},
        {L"x.abcd", 0, L"", L"C:\\l", L"C:\\l\\x.abcd.log"},
        {L"QvSetup", 1, L"", L"C:\\l", L"C:\\l\\QvTrace.log"},
        {L"QvSetup", 1, L"D:\\all.txt", L"C:\\l", L"D:\\all.txt"},
        {L"QvSetup", 0, L"D:\\all.txt", L"C:\\l", L"C:\\l\\QvSetup.log"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, QvBase::TraceLogPath(c.sink, c.common, c.commonName, c.tracePath));

    wchar_t temp[520];
    ASSERT_GT(GetEnvironmentVariableW(L"Temp", temp, 520), 0u);
    std::wstring expected = temp;
    if (expected.back() != L'\\')
        expected += L'\\';
    EXPECT_EQ(expected + L"QvSetup.log", QvBase::TraceLogPath(L"QvSetup", 0, L"", L""));
}

TEST(TraceText, CodePage1251AndGrowingFormat)
{
    EXPECT_EQ("\xCF\xF0\xE8\xE2\xE5\xF2 ?", QvBase::ToCodePage1251(L"\x041F\x0440\x0438\x0432"
                                                                   L"\x0435\x0442 \x4E2D"));
    const std::wstring longText(5000, L'x');
    auto format = [](const wchar_t* f, ...)
    {
        va_list args;
        va_start(args, f);
        std::wstring s = QvBase::FormatTextV(nullptr, f, args);
        va_end(args);
        return s;
    };
    // %s of a wide format is a wide string, as the program's formats assume.
    EXPECT_EQ(L"<" + longText + L">", format(L"<%s>", longText.c_str()));
    EXPECT_EQ(L"7 ab", format(L"%d %s", 7, L"ab"));
}
} // namespace
