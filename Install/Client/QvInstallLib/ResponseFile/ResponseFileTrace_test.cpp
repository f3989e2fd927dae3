// What loading a response file leaves in the install library's log, through
// the machine's trace configuration.
#include "ResponseFile.h"

#include "FuncTraceContext.h"
#include "QvInstError.h"
#include "TraceText.h"
#include "TraceCapture.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace
{
using QvTest::ReadFileBytes;

class ResponseFileTraceMachine : public ::testing::Test
{
protected:
    std::string Log() { return trace.Log(L"QvInstallLib"); }
    std::string Narrow(const std::wstring& text) { return QvBase::ToCodePage1251(text.c_str()); }

    QvTest::CTempDir dir{L"QvResponseFileTraceTest"};
    QvTest::CProcessTraceCapture trace{dir.Path()};
    std::wstring path = dir / L"QvInst.rsp";
    CResponseFile rsp;
};

TEST_F(ResponseFileTraceMachine, LoadSummaryShowsEveryValueButSecrets)
{
    ASSERT_TRUE(WritePrivateProfileStringW(L"Common", L"Action", L"install", path.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Common", L"Installdir", L"C:\\Q", path.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Common", L"password", L"Pa55", path.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Common", L"QvxUninstPwd", L"Un1n", path.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"local", L"Action", L"install", path.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"local", L"DbPassword", L"Db99", path.c_str()));
    rsp.SetWriteThrough(false);
    rsp.Load(path.c_str());

    const std::string log = Log();
    EXPECT_EQ(
        "CResponseFile::Load\r\n"
        "{\r\n"
        "  " +
            Narrow(path) +
            "\r\n"
            "  Installdir=C:\\Q;Action=install;Source=;SourceRoot=;server=;servername=;user=;"
            "password=***;SysName=;Id=;Workplace=;Division=;QvxUninstPwd=***;locale=;jcsf=;\r\n"
            "Common:Action=install;Installdir=C:\\Q;password=***;QvxUninstPwd=***;\r\n"
            "local:Action=install;DbPassword=***;\r\n"
            "\r\n"
            "}\r\n",
        log);
    for (const char* secret : {"Pa55", "Un1n", "Db99"})
        EXPECT_EQ(std::string::npos, log.find(secret)) << secret;
    // The values themselves are untouched.
    EXPECT_EQ(L"Pa55", rsp.GetWellKnownValue(QvInstall::KeyPassword));
}

TEST_F(ResponseFileTraceMachine, FailedLoadStillWritesItsSummary)
{
    const std::wstring absent = dir / L"absent.rsp";
    EXPECT_THROW(rsp.Load(absent.c_str()), CQvInstError);
    EXPECT_EQ("CResponseFile::Load\r\n"
              "{\r\n"
              "  " +
                  Narrow(absent) +
                  "\r\n"
                  "  \r\n"
                  "}\r\n",
              Log());
}

TEST_F(ResponseFileTraceMachine, GetPatchesWritesOneLine)
{
    rsp.SetPatches({L"C:\\p"});
    rsp.GetPatches();
    EXPECT_EQ("CResponseFile::GetPatches { }\r\n", Log());
}
// The profile functions read a file they cannot open as an empty one, and
// the install went on with empty settings: a directory in the file's place,
// or a file another process holds without sharing.
TEST_F(ResponseFileTraceMachine, FileThatCannotBeReadRaisesTheSystemsReasonAndNamesIt)
{
    const std::wstring folder = dir / L"folder.rsp";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Common", L"Source", L"C:\\d", path.c_str()));
    const QvBase::CUniqueFileHandle held(CreateFileW(path.c_str(), GENERIC_READ, /*shareMode=*/0,
                                                     nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    const std::pair<std::wstring, unsigned int> cases[] = {
        {folder, ERROR_ACCESS_DENIED},
        {path, ERROR_SHARING_VIOLATION},
    };
    for (const auto& [file, code] : cases)
    {
        CResponseFile fresh;
        unsigned int raised = 0;
        try
        {
            fresh.Load(file.c_str());
        }
        catch (const CQvInstError& e)
        {
            raised = e.Code();
        }
        EXPECT_EQ(code, raised) << Narrow(file);
        EXPECT_EQ(L"", fresh.GetFileName());
        EXPECT_NE(std::string::npos,
                  Log().find(Narrow(file) + " cannot be read: " + std::to_string(code)))
            << Log();
    }
}
} // namespace
