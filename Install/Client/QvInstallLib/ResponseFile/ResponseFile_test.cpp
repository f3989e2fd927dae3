// The response file: loading, the write-through rule, saving, the typed
// setters and getters, and the errors. Files are checked by reading them back
// with the profile functions, and byte for byte where the content is fixed.
#include "ResponseFile.h"

#include "QvInstError.h"
#include "TraceConfig.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace
{
using QvInstall::ResponseKeyMap;
using QvTest::ReadFileBytes;

const wchar_t kMissing[] = L"<missing>";

// A key's value as the system reads it; kMissing when the file lacks it.
std::wstring FileValue(const std::wstring& path, const wchar_t* section, const wchar_t* key)
{
    std::vector<wchar_t> buffer(65536);
    GetPrivateProfileStringW(section, key, kMissing, buffer.data(),
                             static_cast<DWORD>(buffer.size()), path.c_str());
    return buffer.data();
}

// The raw entries of a section as the system reads them.
std::vector<std::wstring> FileSection(const std::wstring& path, const wchar_t* section)
{
    std::vector<wchar_t> buffer(65536);
    GetPrivateProfileSectionW(section, buffer.data(), static_cast<DWORD>(buffer.size()),
                              path.c_str());
    std::vector<std::wstring> entries;
    for (const wchar_t* p = buffer.data(); *p != L'\0'; p += entries.back().size() + 1)
        entries.emplace_back(p);
    return entries;
}

std::vector<std::wstring> FileSectionNames(const std::wstring& path)
{
    std::vector<wchar_t> buffer(65536);
    GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
    std::vector<std::wstring> names;
    for (const wchar_t* p = buffer.data(); *p != L'\0'; p += names.back().size() + 1)
        names.emplace_back(p);
    return names;
}

bool StartsWith(const std::wstring& text, const std::wstring& head)
{
    return text.compare(0, head.size(), head) == 0;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// "Common" after a load of a file that lacks the well-known keys.
ResponseKeyMap EmptyWellKnownKeys()
{
    ResponseKeyMap keys;
    for (const wchar_t* name : {L"Installdir", L"Action", L"Source", L"SourceRoot", L"server",
                                L"servername", L"user", L"password", L"SysName", L"Id",
                                L"Workplace", L"Division", L"QvxUninstPwd", L"locale", L"jcsf"})
        keys[name] = L"";
    return keys;
}

ResponseKeyMap With(ResponseKeyMap keys, const ResponseKeyMap& changes)
{
    for (const auto& change : changes)
        keys[change.first] = change.second;
    return keys;
}

// A copy of the CQvInstError that the call raises; null when it raises none.
std::unique_ptr<CQvInstError> InstErrorOf(const std::function<void()>& call)
{
    try
    {
        call();
    }
    catch (const CQvInstError& error)
    {
        return std::make_unique<CQvInstError>(error);
    }
    return nullptr;
}

struct ResponseFileDeleter
{
    void operator()(QvInstall::IResponseFile* file) const { file->Release(); }
};
using CreatedFile = std::unique_ptr<QvInstall::IResponseFile, ResponseFileDeleter>;

class ResponseFile : public ::testing::Test
{
protected:
    // A file with these bytes, loaded with write-through off as the callers do.
    void LoadQuietly(const std::string& bytes)
    {
        EXPECT_TRUE(QvTest::WriteFileBytes(path, bytes));
        rsp.SetWriteThrough(false);
        rsp.Load(path.c_str());
        rsp.SetWriteThrough(true);
    }

    QvTest::CTempDir dir{L"QvResponseFileTest"};
    std::wstring path = dir / L"QvInst.rsp";
    CResponseFile rsp;
};

// --- Load -----------------------------------------------------------------

struct LoadCase
{
    const char* name;
    std::string file;
    std::vector<std::pair<std::wstring, ResponseKeyMap>> sections;
};

std::vector<LoadCase> LoadCases()
{
    const ResponseKeyMap empty = EmptyWellKnownKeys();
    return {
        {"no Common section",
         "[local]\r\nAction=install\r\nDC=1\r\n",
         {{L"Common", empty}, {L"local", {{L"Action", L"install"}, {L"DC", L"1"}}}}},
        {"Common with only an action",
         "[Common]\r\nAction=install\r\n",
         {{L"Common", {{L"Action", L"install"}}}}},
        {"reboot timeout and unknown keys come with the section",
         "[Common]\r\nRebootTimeout=300\r\nColour=blue\r\n",
         {{L"Common", {{L"RebootTimeout", L"300"}, {L"Colour", L"blue"}}}}},
        {"Common spelled in capitals",
         "[COMMON]\r\nAction=upgrade\r\nInstalldir=C:\\Q\r\n",
         {{L"Common", With(empty, {{L"Action", L"upgrade"}, {L"Installdir", L"C:\\Q"}})},
          {L"COMMON", {{L"Action", L"upgrade"}, {L"Installdir", L"C:\\Q"}}}}},
        {"raw entries without '=', with two, and repeated",
         "[x]\r\nflag\r\na=b=c\r\ndup=1\r\ndup=2\r\n",
         {{L"x", {{L"flag", L""}, {L"a", L"b=c"}, {L"dup", L"1"}}}}},
        {"an empty section", "[Common]\r\nAction=repair\r\n[empty]\r\n", {{L"empty", {}}}},
    };
}

TEST_F(ResponseFile, LoadBuildsSectionsFromTheFile)
{
    for (const LoadCase& c : LoadCases())
    {
        CResponseFile loaded;
        loaded.SetWriteThrough(false);
        EXPECT_TRUE(QvTest::WriteFileBytes(path, c.file));
        loaded.Load(path.c_str());
        EXPECT_EQ(path, loaded.GetFileName()) << c.name;
        for (const auto& section : c.sections)
            EXPECT_EQ(section.second, loaded.GetSection(section.first))
                << c.name << ": section " << section.first;
    }
}

TEST_F(ResponseFile, OpenLoadsLikeLoad)
{
    EXPECT_TRUE(QvTest::WriteFileBytes(path, "[Common]\r\nSource=C:\\dist\r\n"));
    rsp.SetWriteThrough(false);
    rsp.Open(path.c_str());
    EXPECT_EQ(path, rsp.GetFileName());
    EXPECT_EQ(L"C:\\dist", rsp.GetWellKnownValue(QvInstall::KeySource));
}

TEST_F(ResponseFile, LoadKeepsSectionsTheFileLacks)
{
    CreatedFile created(CreateResponseFile());
    created->SetWriteThrough(false);
    EXPECT_TRUE(QvTest::WriteFileBytes(path, "[local]\r\nDC=1\r\n"));
    created->Load(path.c_str());
    EXPECT_EQ((ResponseKeyMap{{L"Action", L"none"}}), created->GetSection(L"core"));
    EXPECT_EQ((ResponseKeyMap{{L"DC", L"1"}}), created->GetSection(L"local"));
}

TEST_F(ResponseFile, LoadWithWriteThroughWritesTheWellKnownKeysBack)
{
    EXPECT_TRUE(QvTest::WriteFileBytes(path, "[Common]\r\nAction=install\r\n"));
    rsp.Load(path.c_str());
    EXPECT_EQ(L"", FileValue(path, L"Common", L"Installdir"));
    EXPECT_EQ(L"install", FileValue(path, L"Common", L"Action"));
    EXPECT_EQ(L"", FileValue(path, L"Common", L"QvxUninstPwd"));
    // RebootTimeout is not part of the first pass.
    EXPECT_EQ(kMissing, FileValue(path, L"Common", L"RebootTimeout"));
    // The second pass reads "Common" back with the keys the first pass added.
    EXPECT_EQ(With(EmptyWellKnownKeys(), {{L"Action", L"install"}}), rsp.GetSection(L"Common"));
}

TEST_F(ResponseFile, LongValuesSurviveLoadAndWriteBack)
{
    for (size_t length : {259u, 260u, 300u, 40000u})
    {
        const std::wstring value(length, L'd');
        ASSERT_TRUE(
            WritePrivateProfileStringW(L"Common", L"Installdir", value.c_str(), path.c_str()));
        CResponseFile loaded;
        loaded.Load(path.c_str());
        EXPECT_EQ(value, loaded.GetWellKnownValue(QvInstall::KeyInstallDir)) << length;
        EXPECT_EQ(value, FileValue(path, L"Common", L"Installdir")) << length;
    }
}

TEST_F(ResponseFile, LoadOfAnEmptyPathStoresNoPath)
{
    rsp.SetWriteThrough(false);
    EXPECT_NO_THROW(rsp.Load(L""));
    EXPECT_EQ(L"", rsp.GetFileName());
    for (const auto& key : EmptyWellKnownKeys())
        EXPECT_EQ(L"", rsp.GetValue(L"Common", key.first));
}

TEST_F(ResponseFile, LoadOfAMissingFileRaisesFileNotFound)
{
    const auto error = InstErrorOf([&] { rsp.Load((dir / L"absent.rsp").c_str()); });
    ASSERT_NE(nullptr, error);
    EXPECT_EQ(2u, error->Code());
    EXPECT_STREQ(L"", error->Description());
    EXPECT_NE(std::wstring::npos, error->SourceFile().find(L"ResponseFile"));
    EXPECT_EQ(L"", rsp.GetFileName());
}

// A bare name was checked in the current directory and read from the
// Windows folder; now both are the current directory's file.
TEST_F(ResponseFile, LoadOfARelativePathReadsTheFileItChecked)
{
    EXPECT_TRUE(QvTest::WriteFileBytes(path, "[Common]\r\nSource=C:\\here\r\n"));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
    rsp.SetWriteThrough(false);
    EXPECT_NO_THROW(rsp.Load(L"QvInst.rsp"));
    EXPECT_EQ(L"C:\\here", rsp.GetWellKnownValue(QvInstall::KeySource));
    EXPECT_EQ(path, rsp.GetFileName());
    CResponseFile other;
    const auto error = InstErrorOf([&] { other.Load(L"absent.rsp"); });
    SetCurrentDirectoryW(previous);
    ASSERT_NE(nullptr, error);
    EXPECT_EQ(2u, error->Code());
}

TEST_F(ResponseFile, LoadRaisesWhenTheSectionNamesDoNotFit)
{
    std::string file;
    for (int i = 0; i < 120; ++i)
        file += "[section" + std::to_string(100 + i) + "]\r\nk=1\r\n";
    EXPECT_TRUE(QvTest::WriteFileBytes(path, file));
    const auto error = InstErrorOf([&] { rsp.Load(path.c_str()); });
    ASSERT_NE(nullptr, error);
    EXPECT_EQ(20010u, error->Code());
    // path|system text|| (the test's string 20010 joins the arguments).
    const std::wstring text = error->Description();
    EXPECT_TRUE(StartsWith(text, path + L"|")) << text;
    EXPECT_TRUE(EndsWith(text, L"||")) << text;
    EXPECT_GT(text.size(), path.size() + 3) << "no system text: " << text;
    EXPECT_EQ(L"", rsp.GetFileName());
}

// --- Write-through and the two primitives -----------------------------------

TEST_F(ResponseFile, NothingIsWrittenWithoutAPathOrWithWriteThroughOff)
{
    rsp.SetSource(L"C:\\dist");
    EXPECT_EQ(L"C:\\dist", rsp.GetWellKnownValue(QvInstall::KeySource));

    LoadQuietly("[Common]\r\nAction=install\r\n");
    rsp.SetWriteThrough(false);
    rsp.SetInstallDir(L"C:\\Q");
    rsp.SetCustomSettings(L"local", {{L"DC", L"1"}});
    EXPECT_EQ("[Common]\r\nAction=install\r\n", ReadFileBytes(path));
}

TEST_F(ResponseFile, TypedSettersStoreTheirWellKnownKeyInCommon)
{
    struct Case
    {
        std::function<void(CResponseFile&)> set;
        const wchar_t* key;
        const wchar_t* value;
    };
    const Case cases[] = {
        {[](CResponseFile& f) { f.SetSource(L"\\\\srv\\dist"); }, L"Source", L"\\\\srv\\dist"},
        {[](CResponseFile& f) { f.SetInstallDir(L"C:\\Quorvel"); }, L"Installdir", L"C:\\Quorvel"},
        {[](CResponseFile& f) { f.SetServer(L"10.0.0.5"); }, L"server", L"10.0.0.5"},
        {[](CResponseFile& f) { f.SetServerName(L"qv-admin"); }, L"servername", L"qv-admin"},
        {[](CResponseFile& f) { f.SetLocaleSetting(L"es-ES"); }, L"locale", L"es-ES"},
        {[](CResponseFile& f) { f.SetJcsf(); }, L"jcsf", L"1"},
        {[](CResponseFile& f) { f.SetRebootTimeout(300); }, L"RebootTimeout", L"300"},
        {[](CResponseFile& f) { f.SetRebootTimeout(0xFFFFFFFFu); }, L"RebootTimeout", L"-1"},
        {[](CResponseFile& f) { f.SetWellKnownValue(3, L"C:\\root"); }, L"SourceRoot", L"C:\\root"},
    };
    LoadQuietly("[Common]\r\n");
    for (const Case& c : cases)
    {
        c.set(rsp);
        EXPECT_EQ(c.value, rsp.GetValue(L"Common", c.key)) << c.key;
        EXPECT_EQ(c.value, FileValue(path, L"Common", c.key)) << c.key;
    }
}

TEST_F(ResponseFile, EmptySectionNameMeansCommonOnlyWhenSetting)
{
    rsp.SetWellKnownValue(QvInstall::KeySource, L"C:\\src", L"");
    EXPECT_EQ(L"C:\\src", rsp.GetWellKnownValue(QvInstall::KeySource));
    EXPECT_EQ(L"C:\\src", rsp.GetWellKnownValue(QvInstall::KeySource, L"Common"));
    EXPECT_EQ(L"", rsp.GetWellKnownValue(QvInstall::KeySource, L""));
    rsp.SetWellKnownValue(QvInstall::KeyUser, L"admin", L"core");
    EXPECT_EQ(L"admin", rsp.GetWellKnownValue(QvInstall::KeyUser, L"core"));
}

TEST_F(ResponseFile, NumbersWithoutANameAddressTheEmptyKey)
{
    rsp.SetWellKnownValue(6, L"six");
    EXPECT_EQ((ResponseKeyMap{{L"", L"six"}}), rsp.GetSection(L"Common"));
    EXPECT_EQ(L"six", rsp.GetWellKnownValue(25));
    EXPECT_EQ(L"six", rsp.GetWellKnownValue(-1));
}

TEST_F(ResponseFile, LookupsAddWhatTheyMiss)
{
    EXPECT_EQ(L"", rsp.GetWellKnownValue(QvInstall::KeyAction, L"nowhere"));
    EXPECT_EQ(L"", rsp.GetValue(L"new", L"k"));
    EXPECT_EQ((ResponseKeyMap{{L"k", L""}}), rsp.GetSection(L"new"));
    EXPECT_EQ(ResponseKeyMap(), rsp.GetSection(L"added"));
    EXPECT_EQ(L"", rsp.GetWellKnownValue(QvInstall::KeyAction, L"added"));
    EXPECT_EQ((ResponseKeyMap{{L"Action", L""}}), rsp.GetSection(L"added"));
    rsp.Save(path.c_str());
    EXPECT_EQ(L"", FileValue(path, L"new", L"k"));
    EXPECT_EQ(L"", FileValue(path, L"added", L"Action"));
    EXPECT_EQ(std::vector<std::wstring>({L"added", L"new"}), FileSectionNames(path));
}

TEST_F(ResponseFile, CustomSettingsReplaceMemoryButOnlyAddToTheFile)
{
    LoadQuietly("[local]\r\nAction=install\r\nERASER=1\r\n");
    rsp.SetCustomSettings(L"local", {{L"DC", L"1"}});
    EXPECT_EQ((ResponseKeyMap{{L"DC", L"1"}}), rsp.GetSection(L"local"));
    EXPECT_EQ(std::vector<std::wstring>({L"Action=install", L"ERASER=1", L"DC=1"}),
              FileSection(path, L"local"));
}

TEST_F(ResponseFile, AFailingWriteRaisesAndKeepsTheMemoryChange)
{
    const std::wstring sub = dir / L"sub";
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    const std::wstring inSub = sub + L"\\QvInst.rsp";
    EXPECT_TRUE(QvTest::WriteFileBytes(inSub, "[Common]\r\n"));
    rsp.SetWriteThrough(false);
    rsp.Load(inSub.c_str());
    ASSERT_TRUE(DeleteFileW(inSub.c_str()));
    ASSERT_TRUE(RemoveDirectoryW(sub.c_str()));
    rsp.SetWriteThrough(true);

    const auto expectWriteError = [&](const std::function<void()>& change,
                                      const std::wstring& section, const std::wstring& key)
    {
        const auto error = InstErrorOf(change);
        ASSERT_NE(nullptr, error);
        EXPECT_EQ(20010u, error->Code());
        const std::wstring text = error->Description();
        EXPECT_TRUE(StartsWith(text, inSub + L"|")) << text;
        EXPECT_TRUE(EndsWith(text, L"|" + section + L"|" + key)) << text;
    };
    expectWriteError([&] { rsp.SetSource(L"C:\\dist"); }, L"Common", L"Source");
    EXPECT_EQ(L"C:\\dist", rsp.GetWellKnownValue(QvInstall::KeySource));
    expectWriteError([&] { rsp.SetWellKnownValue(QvInstall::KeyUser, L"u", L""); }, L"Common",
                     L"user");
    expectWriteError(
        [&] {
            rsp.SetCustomSettings(L"pc", {{L"b", L"2"}, {L"a", L"1"}});
        },
        L"pc", L"a");
    EXPECT_EQ((ResponseKeyMap{{L"a", L"1"}, {L"b", L"2"}}), rsp.GetSection(L"pc"));
}

// --- Save ---------------------------------------------------------------------

TEST_F(ResponseFile, SaveWritesEverySectionInOrderAndKeepsWhatTheFileHolds)
{
    EXPECT_TRUE(QvTest::WriteFileBytes(
        path, "[Common]\r\nExtra=keep\r\nAction=none\r\n[other]\r\nz=1\r\n"));
    rsp.SetCustomSettings(L"local", {{L"DC", L"1"}});
    rsp.SetCustomSettings(L"empty", {});
    rsp.SetAction(QvInstall::ActionInstall, L"Common");
    rsp.Save(path.c_str());
    EXPECT_EQ(std::vector<std::wstring>({L"Extra=keep", L"Action=install"}),
              FileSection(path, L"Common"));
    EXPECT_EQ(std::vector<std::wstring>({L"z=1"}), FileSection(path, L"other"));
    EXPECT_EQ(std::vector<std::wstring>({L"DC=1"}), FileSection(path, L"local"));
    EXPECT_EQ(std::vector<std::wstring>({L"Common", L"other", L"local"}), FileSectionNames(path));
    EXPECT_EQ(L"", rsp.GetFileName());
    EXPECT_EQ("[Common]", ReadFileBytes(path).substr(0, 8))
        << "an existing file keeps its encoding";
}

TEST_F(ResponseFile, SaveWithoutAPathUsesTheLoadedFileWhateverTheWriteThrough)
{
    LoadQuietly("[Common]\r\n");
    rsp.SetWriteThrough(false);
    rsp.SetCustomSettings(L"core", {{L"Id", L"7"}});
    const std::wstring copy = dir / L"copy.rsp";
    rsp.Save(copy.c_str());
    EXPECT_EQ(path, rsp.GetFileName());
    EXPECT_EQ(kMissing, FileValue(path, L"core", L"Id"));
    rsp.Save(nullptr);
    EXPECT_EQ(L"7", FileValue(path, L"core", L"Id"));
    EXPECT_EQ(L"7", FileValue(copy, L"core", L"Id"));
}

// A new file is UTF-16 with a byte-order mark: in the ANSI code page that
// the profile functions would choose, Cyrillic and CJK values became '?'.
TEST_F(ResponseFile, SaveToANewFileWritesUnicodeSectionsInMapOrder)
{
    const std::wstring installDir =
        L"C:\\\u041F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u044B\\\u6587\u4EF6";
    rsp.SetCustomSettings(L"local", {{L"DC", L"1"}, {L"Action", L"install"}});
    rsp.SetCustomSettings(L"Common", {{L"Installdir", installDir}});
    const std::wstring fresh = dir / L"fresh.rsp";
    rsp.Save(fresh.c_str());
    const std::wstring text = L"\uFEFF[Common]\r\nInstalldir=" + installDir +
                              L"\r\n[local]\r\nAction=install\r\nDC=1\r\n";
    EXPECT_EQ(
        std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)),
        ReadFileBytes(fresh));

    CResponseFile again;
    again.SetWriteThrough(false);
    again.Load(fresh.c_str());
    EXPECT_EQ(installDir, again.GetWellKnownValue(QvInstall::KeyInstallDir));
}

TEST_F(ResponseFile, SaveErrors)
{
    rsp.SetCustomSettings(L"b", {{L"k2", L"v"}});
    rsp.SetCustomSettings(L"a", {{L"k1", L"v"}});
    const std::wstring nowhere = dir / L"no\\such\\dir\\x.rsp";
    auto error = InstErrorOf([&] { rsp.Save(nowhere.c_str()); });
    ASSERT_NE(nullptr, error);
    EXPECT_EQ(20010u, error->Code());
    const std::wstring text = error->Description();
    EXPECT_TRUE(StartsWith(text, nowhere + L"|")) << text;
    EXPECT_TRUE(EndsWith(text, L"|a|k1")) << text;

    // No path given and none loaded: an error, not a write to the system's win.ini.
    error = InstErrorOf([&] { rsp.Save(nullptr); });
    ASSERT_NE(nullptr, error);
    EXPECT_EQ(20010u, error->Code());
    EXPECT_TRUE(StartsWith(error->Description(), L"|")) << error->Description();
}

// --- The encoding of an existing file ------------------------------------------

// A file without a UTF-16 byte-order mark is written in the ANSI code page,
// which turned a Cyrillic distribution root into "c:\???\": a text the code
// page cannot hold makes the file UTF-16 first, keeping everything in it;
// one it can hold leaves the encoding alone.
struct EncodingCase
{
    const char* name;
    std::string file;
    std::wstring section;
    std::wstring key;
    std::wstring value;
    bool becomesUtf16;
};

const std::string kAnsiFile =
    "; kept\r\n[Common]\r\nSource=.\r\nName=caf\xE9\r\n[other]\r\nk=v\r\n";
const std::wstring kCyrillic =
    L"c:\\\u0434\u0438\u0441\u0442\u0440\u0438\u0431\u0443\u0442\u0438\u0432\\";
const std::wstring kCjk = L"c:\\\u914D\u5E03\\";

std::vector<EncodingCase> EncodingCases()
{
    const std::string utf16 = QvTest::Utf16Bytes(
        L"\xFEFF; kept\r\n[Common]\r\nSource=.\r\nName=caf\u00E9\r\n[other]\r\nk=v\r\n");
    const std::string utf8 = "\xEF\xBB\xBF; kept\r\n[Common]\r\nSource=.\r\nName=caf\xC3\xA9\r\n"
                             "[other]\r\nk=v\r\n";
    return {
        {"Cyrillic value into an ANSI file", kAnsiFile, L"Common", L"Source", kCyrillic, true},
        {"CJK value into an ANSI file", kAnsiFile, L"Common", L"Source", kCjk, true},
        {"Cyrillic section and key into an ANSI file", kAnsiFile, L"\u043F\u0443\u0442\u044C",
         L"\u043A\u043B\u044E\u0447", L"1", true},
        {"a value the code page holds", kAnsiFile, L"Common", L"Source", L"c:\\caf\u00E9\\", false},
        {"Cyrillic value into a UTF-8 file", utf8, L"Common", L"Source", kCyrillic, true},
        {"Cyrillic value into a UTF-16 file", utf16, L"Common", L"Source", kCyrillic, true},
    };
}

TEST_F(ResponseFile, ATextTheCodePageCannotHoldMakesTheFileUnicodeFirst)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the cases are written for the code page of an English Windows";
    for (const EncodingCase& c : EncodingCases())
    {
        SCOPED_TRACE(c.name);
        CResponseFile file;
        EXPECT_TRUE(QvTest::WriteFileBytes(path, c.file));
        file.SetWriteThrough(false);
        file.Load(path.c_str());
        file.SetWriteThrough(true);
        file.SetCustomSettings(c.section, {{c.key, c.value}});

        const std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(c.becomesUtf16, bytes.compare(0, 2, "\xFF\xFE") == 0);
        EXPECT_EQ(c.value, FileValue(path, c.section.c_str(), c.key.c_str()));
        EXPECT_EQ(L"caf\u00E9", FileValue(path, L"Common", L"Name"));
        EXPECT_EQ(L"v", FileValue(path, L"other", L"k"));
        if (c.section != L"Common")
        {
            EXPECT_EQ(L".", FileValue(path, L"Common", L"Source"));
        }
        EXPECT_NE(std::string::npos, bytes.find(c.becomesUtf16 ? QvTest::Utf16Bytes(L"; kept")
                                                               : std::string("; kept")))
            << "the comment stays";
    }
}

TEST_F(ResponseFile, AFileThatCannotBeMadeUnicodeRaisesAndStaysAsItWas)
{
    LoadQuietly(kAnsiFile);
    {
        // Another process holds the file without sharing.
        const QvBase::CUniqueFileHandle held(CreateFileW(
            path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.IsValid());
        const auto error = InstErrorOf([&] { rsp.SetSource(kCyrillic); });
        ASSERT_NE(nullptr, error);
        EXPECT_EQ(20010u, error->Code());
        EXPECT_TRUE(EndsWith(error->Description(), L"|Common|Source")) << error->Description();
    }
    EXPECT_EQ(kAnsiFile, ReadFileBytes(path)) << "nothing lost, nothing written half";
}

// --- Components and actions ---------------------------------------------------

TEST_F(ResponseFile, CreatedFileHoldsActionNoneForEveryComponentSection)
{
    CreatedFile created(CreateResponseFile());
    EXPECT_EQ(L"", created->GetFileName());
    for (const wchar_t* section : {L"Common", L"core", L"console", L"local", L"pc", L"disk", L"ta",
                                   L"meridane", L"softpspt", L"te", L"antivirus", L"sandbox"})
        EXPECT_EQ((ResponseKeyMap{{L"Action", L"none"}}), created->GetSection(section)) << section;
}

TEST_F(ResponseFile, ComponentActionWritesActionThenFlag)
{
    LoadQuietly("[Common]\r\nAction=install\r\n");
    rsp.SetComponentAction(3, QvInstall::ActionInstall);
    EXPECT_EQ(std::vector<std::wstring>({L"Action=install", L"ERASER=1"}),
              FileSection(path, L"local"));
    EXPECT_EQ("[Common]\r\nAction=install\r\n[local]\r\nAction=install\r\nERASER=1\r\n",
              ReadFileBytes(path));
}

TEST_F(ResponseFile, ComponentsSharingASectionKeepEachOthersKeys)
{
    LoadQuietly("[Common]\r\n");
    rsp.SetComponentAction(3, QvInstall::ActionInstall);
    rsp.SetComponentAction(4, QvInstall::ActionInstall);
    const ResponseKeyMap local = {{L"Action", L"install"}, {L"DC", L"1"}, {L"ERASER", L"1"}};
    EXPECT_EQ(local, rsp.GetSection(L"local"));
    CResponseFile reread;
    reread.SetWriteThrough(false);
    reread.Load(path.c_str());
    EXPECT_EQ(local, reread.GetSection(L"local"));
}

TEST_F(ResponseFile, AllComponentsInstallSetsEveryFlag)
{
    rsp.SetAllComponentsAction(QvInstall::ActionInstall);
    EXPECT_EQ((ResponseKeyMap{{L"Action", L"install"},
                              {L"DC", L"1"},
                              {L"ERASER", L"1"},
                              {L"EXEQUOTA", L"1"},
                              {L"FDC", L"1"},
                              {L"MC", L"1"}}),
              rsp.GetSection(L"local"));
    EXPECT_EQ((ResponseKeyMap{
                  {L"Action", L"install"}, {L"CRCONT", L"1"}, {L"FDE", L"1"}, {L"TBL", L"1"}}),
              rsp.GetSection(L"disk"));
    EXPECT_EQ((ResponseKeyMap{{L"Action", L"install"},
                              {L"TA_Firewall", L"1"},
                              {L"TA_IDS", L"1"},
                              {L"TA_IPSEC", L"1"}}),
              rsp.GetSection(L"ta"));
    EXPECT_EQ((ResponseKeyMap{{L"Action", L"install"}}), rsp.GetSection(L"sandbox"));
    EXPECT_EQ((ResponseKeyMap{{L"Action", L"install"}}), rsp.GetSection(L"Common"));
}

TEST_F(ResponseFile, ComponentActionsOtherThanInstallLeaveFlags)
{
    LoadQuietly("[ta]\r\nAction=install\r\nTA_Firewall=1\r\n");
    rsp.SetComponentAction(12, QvInstall::ActionNone);
    EXPECT_EQ((ResponseKeyMap{{L"Action", L"none"}, {L"TA_Firewall", L"1"}}),
              rsp.GetSection(L"ta"));
    EXPECT_EQ(std::vector<std::wstring>({L"Action=none", L"TA_Firewall=1"}),
              FileSection(path, L"ta"));

    rsp.SetComponentAction(11, QvInstall::ActionUpgrade);
    EXPECT_EQ(L"upgrade", FileValue(path, L"Common", L"Action"));
    rsp.SetComponentAction(99, QvInstall::ActionRepair);
    EXPECT_EQ(L"repair", rsp.GetWellKnownValue(QvInstall::KeyAction));
    rsp.SetAction(static_cast<QvInstall::InstallAction>(7), L"core");
    EXPECT_EQ(L"none", FileValue(path, L"core", L"Action"));
}

TEST_F(ResponseFile, GetActionMapsTextWithoutRegardToCase)
{
    struct Case
    {
        const wchar_t* text;
        QvInstall::InstallAction action;
    };
    const Case cases[] = {
        {L"Uninstall", QvInstall::ActionUninstall}, {L"INSTALL", QvInstall::ActionInstall},
        {L"repair", QvInstall::ActionRepair},       {L"Upgrade", QvInstall::ActionUpgrade},
        {L"none", QvInstall::ActionNone},           {L"", QvInstall::ActionNone},
        {L" install", QvInstall::ActionNone},       {L"installed", QvInstall::ActionNone},
    };
    for (const Case& c : cases)
    {
        rsp.SetCustomSettings(L"s", {{L"Action", c.text}});
        EXPECT_EQ(c.action, rsp.GetAction(L"s")) << c.text;
    }
    EXPECT_EQ(QvInstall::ActionNone, rsp.GetAction());
    rsp.SetAction(QvInstall::ActionUninstall, L"");
    EXPECT_EQ(QvInstall::ActionUninstall, rsp.GetAction());
}

TEST_F(ResponseFile, CoreAndMeridaneSettingsKeepTheSectionsOtherKeys)
{
    LoadQuietly("[Common]\r\n");
    rsp.ResetComponents();
    rsp.SetCoreSettings(L"WS-042", L"7f3a", L"Room 12", L"Finance");
    rsp.SetMeridaneSettings(L"vpn.example.org", -3);
    EXPECT_EQ((ResponseKeyMap{{L"Action", L"none"},
                              {L"Division", L"Finance"},
                              {L"Id", L"7f3a"},
                              {L"SysName", L"WS-042"},
                              {L"Workplace", L"Room 12"}}),
              rsp.GetSection(L"core"));
    EXPECT_EQ((ResponseKeyMap{
                  {L"Action", L"none"}, {L"kclevel", L"-3"}, {L"vpnserver", L"vpn.example.org"}}),
              rsp.GetSection(L"meridane"));
    EXPECT_EQ(std::vector<std::wstring>({L"Action=none", L"Division=Finance", L"Id=7f3a",
                                         L"SysName=WS-042", L"Workplace=Room 12"}),
              FileSection(path, L"core"));
    EXPECT_EQ(
        std::vector<std::wstring>({L"Action=none", L"kclevel=-3", L"vpnserver=vpn.example.org"}),
        FileSection(path, L"meridane"));
}

// --- Patches ------------------------------------------------------------------

TEST_F(ResponseFile, PatchesRoundTrip)
{
    LoadQuietly("[patches]\r\ncount=3\r\npatch0=old0\r\npatch1=old1\r\npatch2=old2\r\n");
    rsp.SetPatches({L"C:\\p1", L"D:\\p2\\"});
    EXPECT_EQ((ResponseKeyMap{{L"count", L"2"}, {L"patch0", L"C:\\p1"}, {L"patch1", L"D:\\p2\\"}}),
              rsp.GetSection(L"patches"));
    EXPECT_EQ((QvInstall::PatchList{L"C:\\p1\\", L"D:\\p2\\"}), rsp.GetPatches());
    EXPECT_EQ(L"old2", FileValue(path, L"patches", L"patch2"));

    rsp.SetPatches({});
    EXPECT_EQ((ResponseKeyMap{{L"count", L"0"}}), rsp.GetSection(L"patches"));
    EXPECT_EQ(L"0", FileValue(path, L"patches", L"count"));
    EXPECT_EQ(L"C:\\p1", FileValue(path, L"patches", L"patch0"));
    EXPECT_TRUE(rsp.GetPatches().empty());
}

TEST_F(ResponseFile, PatchCountRules)
{
    struct Case
    {
        const wchar_t* count;
        QvInstall::PatchList patches;
    };
    const Case cases[] = {
        {L"2", {L"C:\\a\\", L""}},
        {L"  +1", {L"C:\\a\\"}},
        {L"1x", {L"C:\\a\\"}},
        {L"0", {}},
        {L"-4", {}},
        // A hand-edited huge count names no more patches than the section
        // has keys (it ran until memory was gone).
        {L"2147483647", {L"C:\\a\\", L""}},
        {L"99999999999999999999", {L"C:\\a\\", L""}},
        {L"many", {}},
        {L"", {}},
    };
    for (const Case& c : cases)
    {
        const ResponseKeyMap section = {{L"count", c.count}, {L"patch0", L"C:\\a"}};
        rsp.SetCustomSettings(L"patches", section);
        EXPECT_EQ(c.patches, rsp.GetPatches()) << c.count;
        EXPECT_EQ(section, rsp.GetSection(L"patches")) << c.count;
    }
}
} // namespace
