// Runtime redistributables installed from the engine module's packages, with
// the stand-in package answering as each case asks.
#include "Runtime.h"

#include "ProcessRunner.h"
#include "QvTrace.h"
#include "qvexception.h"
#include "MsiState.h"
#include "RaisedError.h"
#include "RedistStandIn.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using QvTest::ReadFileBytes;

constexpr const wchar_t* kX64 = L"vcredist_x64.exe";
constexpr const wchar_t* kX86 = L"vcredist_x86.exe";
constexpr const wchar_t* kX64Products[] = {L"{C874FB5A-1C85-460A-A4A9-CBCC3FAE7880}",
                                           L"{529D20E8-132A-4F1A-A25F-9211B8C943AC}"};
constexpr const wchar_t* kX86Products[] = {L"{7D75664A-6C04-424C-82A1-EE88913E5F16}",
                                           L"{01FAEC41-B3BC-44F4-B185-5E8475AEB855}"};

std::vector<DWORD> waits;
void RecordWait(DWORD milliseconds)
{
    waits.push_back(milliseconds);
}

using CStandIn = QvTest::CRedistStandIn;

// C:\Logs, made for the test and removed with its files.
struct CLogsFolder
{
    CLogsFolder() { CreateDirectoryW(L"C:\\Logs", nullptr); }
    ~CLogsFolder() { QvTest::RemoveTree(L"C:\\Logs"); }
};

class RuntimeInstallMachine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        waits.clear();
        RuntimeSeams::retryWait = &RecordWait;
    }
    void TearDown() override { RuntimeSeams::retryWait = &Sleep; }
    // Installs from the build's engine; the raised code, 0 when none.
    unsigned int Install()
    {
        return QvTest::CodeOfErrorRaisedBy([] { InstallRuntime(QvTest::BinDir()); });
    }
    std::string Log() { return trace.Log(L"QvInstallLib"); }
    static size_t Count(const std::string& text, const std::string& what)
    {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    // The packages log to the product's log directory, the trace's folder.
    CLogsFolder logs;
    QvTest::CProcessTraceCapture trace{L"C:\\Logs"};
    QvTest::CMsiState msi;
    CStandIn x64{kX64};
    CStandIn x86{kX86};
};

TEST_F(RuntimeInstallMachine, InstalledRuntimesAreLeftAlone)
{
    for (const wchar_t* code : kX64Products)
        msi.AddProduct(code);
    for (const wchar_t* code : kX86Products)
        msi.AddProduct(code);
    EXPECT_EQ(0u, Install());
    EXPECT_EQ(0u, x64.Runs());
    EXPECT_EQ(0u, x86.Runs());
    EXPECT_EQ(0u, Count(Log(), "Attempt"));
    EXPECT_NE(std::string::npos,
              Log().find("CRuntimeEx::IsInstalled { {C874FB5A-1C85-460A-A4A9-CBCC3FAE7880}:5;"
                         "{529D20E8-132A-4F1A-A25F-9211B8C943AC}:5}"));
}

TEST_F(RuntimeInstallMachine, OneProductOfAPairMissingRunsThePackage)
{
    msi.AddProduct(kX64Products[0]);
    for (const wchar_t* code : kX86Products)
        msi.AddProduct(code);
    EXPECT_EQ(0u, Install());
    EXPECT_EQ(1u, x64.Runs());
    EXPECT_EQ(0u, x86.Runs());
    // The package takes its log to the product's log directory.
    EXPECT_EQ(L"/quiet /norestart /log \"C:\\Logs\\runtime.log\"", x64.Arguments());
    EXPECT_NE(std::string::npos, ReadFileBytes(L"C:\\Logs\\runtime.log").find("vcredist_x64.exe"));
}

TEST_F(RuntimeInstallMachine, ExitCodesAttemptsAndResults)
{
    struct Case
    {
        const wchar_t* codes;
        unsigned int raised; // 0: success
        size_t attempts;
        size_t waits;
        const char* installedLine;
    };
    const Case cases[] = {
        {L"0", 0, 1, 0, "Runtime vcredist_x64.exe installed:0."},
        {L"3010", 0, 1, 0, "Runtime vcredist_x64.exe installed:3010."},
        {L"1460,1460,0", 0, 3, 2, "Runtime vcredist_x64.exe installed:0."},
        {L"0x800705B4,0", 0, 2, 1, "Runtime vcredist_x64.exe installed:0."},
        {L"1638", 0, 1, 0, "Runtime vcredist_x64.exe installed:1638."},
        {L"0x80070BC2", 0, 1, 0, "Runtime vcredist_x64.exe installed:-2147021886."},
        {L"0x80070666", 0x80070666, 1, 0, nullptr},
        {L"1460", 1460, 3, 3, nullptr},
        {L"1603", 1603, 1, 0, nullptr},
    };
    for (const wchar_t* code : kX86Products)
        msi.AddProduct(code);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.codes);
        CStandIn fresh(kX64);
        fresh.ExitCodes(c.codes);
        DeleteFileW(L"C:\\Logs\\QvInstallLib.log");
        waits.clear();
        EXPECT_EQ(c.raised, Install());
        const std::string log = Log();
        EXPECT_EQ(c.attempts, fresh.Runs());
        EXPECT_EQ(c.attempts, Count(log, "Attempt #"));
        EXPECT_EQ(std::vector<DWORD>(c.waits, 5000), waits);
        if (c.installedLine != nullptr)
            EXPECT_NE(std::string::npos, log.find(c.installedLine)) << log;
        else
            EXPECT_NE(std::string::npos, log.find("W> ")) << log;
    }
}

TEST_F(RuntimeInstallMachine, X86PackageIsNotTriedAfterAnX64Failure)
{
    x64.ExitCodes(L"1603");
    EXPECT_EQ(1603u, Install());
    EXPECT_EQ(1u, x64.Runs());
    EXPECT_EQ(0u, x86.Runs());
    // Both run when both are missing and the first succeeds.
    x64.ExitCodes(L"0");
    EXPECT_EQ(0u, Install());
    EXPECT_EQ(1u, x86.Runs());
}
// Folders named like a fresh GUID in the temporary directory.
std::vector<std::wstring> GuidFolders()
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW(QvTest::TempPath(L"{*}").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// Distributions whose engine module is missing, not a module, or a module
// without the packages: one answer for a module that cannot be loaded (the
// binding's 0xE6000002, not 1813 from a lookup in the test program itself),
// and no work folder left in the temporary directory on any way out.
TEST_F(RuntimeInstallMachine, BadEngineModuleGivesOneAnswerAndLeavesNoWorkFolder)
{
    struct Case
    {
        const char* name;
        const wchar_t* engineSource; // copied in as QvInstMain.dll; null: none
        const char* engineBytes;     // written as QvInstMain.dll when not null
        unsigned int raised;
    };
    const Case cases[] = {
        {"missing", nullptr, nullptr, 0xE6000002},
        {"corrupt", nullptr, "MZ not a module", 0xE6000002},
        {"without packages", L"QvSrvApi.dll", nullptr, ERROR_RESOURCE_DATA_NOT_FOUND},
    };
    const std::vector<std::wstring> before = GuidFolders();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        QvTest::CTempDir dist(L"QvRuntimeBadEngine");
        const std::wstring engine = dist / L"QvInstMain.dll";
        if (c.engineSource != nullptr)
        {
            ASSERT_TRUE(CopyFileW((QvTest::BinDir() + c.engineSource).c_str(), engine.c_str(),
                                  /*failIfExists=*/FALSE));
        }
        if (c.engineBytes != nullptr)
        {
            ASSERT_TRUE(QvTest::WriteFileBytes(engine, c.engineBytes));
        }
        unsigned int raised = 0;
        try
        {
            InstallRuntime(dist.Path());
        }
        catch (QvBase::CQvError& e)
        {
            raised = e.Code();
            if (c.raised == 0xE6000002)
            {
                EXPECT_NE(std::wstring::npos, std::wstring(e.Description()).find(engine))
                    << e.Description();
            }
        }
        EXPECT_EQ(c.raised, raised);
        EXPECT_EQ(0u, x64.Runs());
        EXPECT_EQ(before, GuidFolders());
    }
}
} // namespace
