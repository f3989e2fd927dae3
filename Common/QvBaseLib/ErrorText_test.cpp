#include "ErrorText.h"

#include "ProcessRunner.h"
#include "ProductLocale.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

namespace
{
using QvBase::DescribeError;

struct ModuleFree
{
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

// What FormatMessageW itself gives, cut and cleaned as DescribeError does;
// false when it has no text in either language.
bool Reference(HMODULE module, unsigned int code, const wchar_t* const* inserts, std::wstring& text)
{
    DWORD_PTR arguments[10];
    for (int i = 0; i < 10; ++i)
        arguments[i] =
            reinterpret_cast<DWORD_PTR>(inserts != nullptr && inserts[i] ? inserts[i] : L"");
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER |
                  (module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM) |
                  (inserts ? FORMAT_MESSAGE_ARGUMENT_ARRAY : FORMAT_MESSAGE_IGNORE_INSERTS);
    for (DWORD language : {QvBase::GetProductLangId(), DWORD(0)})
    {
        wchar_t* raw = nullptr;
        const DWORD n =
            FormatMessageW(flags, module, code, language, reinterpret_cast<wchar_t*>(&raw), 0,
                           reinterpret_cast<va_list*>(arguments));
        if (n == 0)
            continue;
        text.assign(raw, n);
        LocalFree(raw);
        text = QvBase::CleanMessageText(text);
        return true;
    }
    return false;
}

std::wstring Fallback(unsigned int code)
{
    wchar_t text[40];
    _snwprintf(text, 40, L"0x%08X (%u)", code, code);
    return text;
}

std::wstring BinPath(const wchar_t* name)
{
    return QvTest::BinDir() + name;
}

TEST(ErrorText, MessagesAreCutAndInsertMarkersStripped)
{
    const struct
    {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"Cannot open %1.", L"Cannot open."},
        {L"100%% done", L"100 done"},
        {L"100 %%done", L"100done"},
        {L"%1 at start", L" at start"},
        {L" %1", L""},
        {L"a %1 %2 b", L"a b"},
        {L"a  %12x", L"a x"},
        {L"%%%", L""},
        {L"50%", L"50"},
        {L"no markers", L"no markers"},
        {L"%%1%2 tail", L" tail"},
        {L"A\r\nB\r\n", L"A\r\nB"},
        {L"one line\r\n", L"one line"},
        {L"no break", L"no break"},
        {L"Open %1.\r\n%2 left\r\n", L"Open.\r\n left"},
        {L"cut\rhere", L"cut"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.out), QvBase::CleanMessageText(c.in)) << c.in;
}

TEST(ErrorText, ModuleIsChosenByCodeRange)
{
    const struct
    {
        unsigned int code;
        const wchar_t* module;
    } cases[] = {
        {0xE6000002u, L"QvError.dll"},
        {0x06000000u, L"QvError.dll"},
        {0xE6060001u, L"QvError.dll"},
        {0x04000000u, nullptr},
        {0x80005000u, L"ActiveDS.dll"},
        {0x00005FFFu, L"ActiveDS.dll"},
        {0x80006000u, nullptr},
        {0xC0020001u, L"NtDll.dll"},
        {0xC0030001u, nullptr},
        {0x80041001u, L"wbem\\wmiutils.dll"},
        {0x80041099u, L"wbem\\wmiutils.dll"},
        {0x8004109Au, nullptr},
        {0x80041000u, nullptr},
        {0x80042003u, L"wbem\\wmiutils.dll"},
        {0x80042004u, nullptr},
        {0x80044031u, L"wbem\\wmiutils.dll"},
        {0x80044032u, nullptr},
        {2u, nullptr},
    };
    for (const auto& c : cases)
    {
        const wchar_t* module = QvBase::MessageModuleFor(c.code);
        if (c.module == nullptr)
            EXPECT_EQ(nullptr, module) << std::hex << c.code;
        else
            EXPECT_STREQ(c.module, module) << std::hex << c.code;
    }
}

TEST(ErrorText, SystemCodesAreDescribedFromTheSystemTable)
{
    for (unsigned int code : {0u, 2u, 5u, 87u, 1603u})
    {
        std::wstring expected;
        ASSERT_TRUE(Reference(nullptr, code, nullptr, expected)) << code;
        EXPECT_EQ(expected, DescribeError(code)) << code;
        EXPECT_EQ(std::wstring::npos, expected.find(L'\r'));
    }
}

TEST(ErrorText, UnknownCodeFallsBackToNumbers)
{
    EXPECT_EQ(L"0x0000FFFF (65535)", DescribeError(0xFFFF));
    EXPECT_EQ(L"0x0000FFFF (65535)", DescribeError(0xFFFF, L"x"));
}

TEST(ErrorText, AllOnesStandsForTheLastError)
{
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(DescribeError(5), DescribeError(0xFFFFFFFFu));
    SetLastError(0xFFFF);
    EXPECT_EQ(L"0x0000FFFF (65535)", DescribeError(0xFFFFFFFFu));
}

TEST(ErrorText, FormatErrorCode)
{
    EXPECT_EQ(L"0x00000000", QvBase::FormatErrorCode(0));
    EXPECT_EQ(L"0xE6000002", QvBase::FormatErrorCode(0xE6000002u));
    EXPECT_EQ(L"0x0000ABCD", QvBase::FormatErrorCode(0xabcd));
}

TEST(ErrorTextModule, OwnCodesAreDescribedFromQvErrorDll)
{
    const Module module(
        LoadLibraryExW(BinPath(L"QvError.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module) << "QvError.dll is not beside the test";
    const wchar_t* loadInserts[10] = {L"C:\\x\\QvInstMain.dll", L"0x0000007E (126)",
                                      L"module not found"};
    const wchar_t* comInserts[10] = {L"0x80004005", L"Unspecified", L"Bad node", L"Parser"};
    const struct
    {
        unsigned int code;
        const wchar_t* const* inserts;
        const wchar_t* mustContain;
    } cases[] = {
        {0xE6000002u, loadInserts, L"C:\\x\\QvInstMain.dll"},
        {0xE6000003u, comInserts, L"Unspecified"},
        {0xE601000Du, nullptr, nullptr},
        {0xE6010032u, loadInserts, L"QvInstMain.dll"},
        {0xE6060001u, comInserts, L"0x80004005"},
        {0xE6060002u, comInserts, L"Parser"},
    };
    for (const auto& c : cases)
    {
        std::wstring expected;
        ASSERT_TRUE(Reference(module.get(), c.code, c.inserts, expected)) << std::hex << c.code;
        const std::wstring text = c.inserts ? DescribeError(c.code, c.inserts[0], c.inserts[1],
                                                            c.inserts[2], c.inserts[3])
                                            : DescribeError(c.code);
        EXPECT_EQ(expected, text) << std::hex << c.code;
        EXPECT_NE(Fallback(c.code), text);
        EXPECT_EQ(std::wstring::npos, text.find(L'\r'));
        if (c.mustContain != nullptr)
        {
            EXPECT_NE(std::wstring::npos, text.find(c.mustContain)) << std::hex << c.code;
        }
    }
}

TEST(ErrorTextModule, WithoutInsertsTheMarkersAreRemoved)
{
    const std::wstring text = DescribeError(0xE6010032u);
    EXPECT_EQ(std::wstring::npos, text.find(L'%'));
    EXPECT_NE(Fallback(0xE6010032u), text);
}

TEST(ErrorTextModule, MessageTableHasEveryLanguage)
{
    const Module module(
        LoadLibraryExW(BinPath(L"QvError.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    std::wstring english;
    for (DWORD language : {1033u, 1049u, 3082u})
    {
        wchar_t* raw = nullptr;
        const DWORD n = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                FORMAT_MESSAGE_IGNORE_INSERTS,
            module.get(), 0xE601000Du, language, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
        ASSERT_NE(0u, n) << language << " error " << GetLastError();
        const std::wstring text(raw, n);
        LocalFree(raw);
        EXPECT_EQ(L"\r\n", text.substr(text.size() - 2)) << language;
        if (language == 1033)
        {
            english = text;
            continue;
        }
        EXPECT_NE(english, text) << language;
        const wchar_t expectedLetter = language == 1049 ? L'\x0411' : L'\x00E1';
        EXPECT_NE(std::wstring::npos, text.find(expectedLetter)) << language;
    }
}

TEST(ErrorTextModule, CodeMissingFromTheModuleIsNotLookedUpElsewhere)
{
    // In QvError.dll's range but not in its table.
    EXPECT_EQ(Fallback(0xE6000099u), DescribeError(0xE6000099u));
    EXPECT_EQ(Fallback(0x06000002u), DescribeError(0x06000002u, L"a"));
}

// Runs a copy of this program from a folder without QvError.dll.
TEST(ErrorTextModule, AbsentModuleFallsBackToTheSystemTable)
{
    wchar_t temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
    const std::wstring dir = std::wstring(temp) + L"QvTestNoQvError";
    CreateDirectoryW(dir.c_str(), nullptr);
    wchar_t self[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, self, MAX_PATH));
    const std::wstring copy = dir + L"\\QvBaseLibTests.exe";
    ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE)) << GetLastError();

    SetEnvironmentVariableW(L"QV_TEST_WITHOUT_QVERROR", L"1");
    const QvTest::ProcessResult result =
        QvTest::RunProcess(copy, L"--gtest_filter=ErrorTextWithoutModule.*", 60000, dir.c_str());
    SetEnvironmentVariableW(L"QV_TEST_WITHOUT_QVERROR", nullptr);
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(dir.c_str());

    ASSERT_TRUE(result.started) << result.startError;
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(0u, result.exitCode);
}

// Only meaningful in the copy started above.
TEST(ErrorTextWithoutModule, SystemTableOrFallback)
{
    if (GetEnvironmentVariableW(L"QV_TEST_WITHOUT_QVERROR", nullptr, 0) == 0)
        GTEST_SKIP() << "runs only in a copy of the program without QvError.dll";
    const Module module(LoadLibraryExW(L"QvError.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_FALSE(module) << "QvError.dll is still found";

    for (unsigned int code : {0xE6000002u, 0xE6060001u, 0x06000005u})
    {
        std::wstring expected;
        if (!Reference(nullptr, code, nullptr, expected))
            expected = Fallback(code);
        EXPECT_EQ(expected, DescribeError(code)) << std::hex << code;
        const wchar_t* inserts[10] = {L"a", L"b"};
        if (!Reference(nullptr, code, inserts, expected))
            expected = Fallback(code);
        EXPECT_EQ(expected, DescribeError(code, L"a", L"b")) << std::hex << code;
    }
}
} // namespace
