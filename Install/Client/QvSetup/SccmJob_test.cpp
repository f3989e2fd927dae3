#include "SccmJob.h"

#include "CmdLineParser.h"
#include "InstallTask.h"
#include "InstallTaskKeys.h"
#include "RaisedError.h"
#include "SccmInstall.h"
#include "qvexception.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

TEST(SccmJobRules, DiskRootIsTheFolderAboveTheProgramsDistributionFolder)
{
    struct Case
    {
        const wchar_t* modulePath;
        const wchar_t* root;
    } cases[] = {
        {L"C:\\DIST\\SETUP\\CLIENT\\X64\\QVSETUP.EXE", L"c:\\dist\\"},
        {L"c:\\dist\\setup\\client\\x64\\qvsetup.exe", L"c:\\dist\\"},
        {L"\\\\host\\share\\setup\\client\\x64\\qvsetup.exe", L"\\\\host\\share\\"},
        {L"c:\\elsewhere\\qvsetup.exe", L"c:\\elsewhere\\qvsetup.exe"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.root, SccmJobRules::DiskRootOf(SccmJobRules::LowerCase(c.modulePath)))
            << c.modulePath;
    }
}

TEST(SccmJobRules, LowerCaseFollowsRussianRulesForCyrillic)
{
    EXPECT_EQ(L"c:\\\x0434\x0438\x0441\x0442\\qvsetup.exe",
              SccmJobRules::LowerCase(L"C:\\\x0414\x0418\x0421\x0422\\QvSetup.EXE"));
}

TEST(SccmJobRules, TimeoutFallsBackTo720UnlessANonZeroNumber)
{
    struct Case
    {
        const wchar_t* value;
        int timeout;
    } cases[] = {
        {nullptr, 720}, {L"", 720}, {L"abc", 720}, {L"0", 720}, {L"30", 30}, {L"30abc", 30},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.timeout, SccmJobRules::TimeoutFrom(c.value)) << (c.value ? c.value : L"null");
}

TEST(SccmJobRules, PatchesAreTheNonEmptyPiecesBetweenStars)
{
    using List = std::vector<std::wstring>;
    struct Case
    {
        const wchar_t* value;
        List patches;
    } cases[] = {
        {L"a.msp*b.msp", {L"a.msp", L"b.msp"}},
        {L"a.msp**b.msp*", {L"a.msp", L"b.msp"}},
        {L"c:\\p\\one.msp", {L"c:\\p\\one.msp"}},
        {L"", {}},
        {L"***", {}},
        {nullptr, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.patches, SccmJobRules::PatchesFrom(c.value)) << (c.value ? c.value : L"null");
}

TEST(SccmInstall, ActionIsTheFirstOptionOfTheTableThatIsPresent)
{
    struct Case
    {
        const wchar_t* commandLine;
        int action;
    } cases[] = {
        {L"/sccm /install", TaskInstall},
        {L"/SCCM /INSTALL", TaskInstall},
        {L"/sccm /repair /install", TaskInstall},
        {L"/sccm /uninstall", TaskUninstall},
        {L"/sccm /upgrade /repair", TaskUpgrade},
        {L"/sccm /repair", TaskRepair},
        {L"/sccm /applypatch:a.msp /removeallpatches", TaskApplyPatches},
        {L"/sccm /removeallpatches", TaskRemoveAllPatches},
        {L"/sccm", 0},
        {L"/sccm /timeout:30", 0},
    };
    for (const Case& c : cases)
    {
        const CCmdLineParser parser(c.commandLine, /*caseSensitive=*/0);
        EXPECT_EQ(c.action, SelectSccmAction(parser)) << c.commandLine;
    }
}

TEST(SccmInstall, NoActionEndsWithInvalidParameter)
{
    CSccmInstall front(L"/sccm /timeout:5");
    EXPECT_EQ(static_cast<unsigned int>(ERROR_INVALID_PARAMETER),
              QvTest::CodeOfErrorRaisedBy([&] { front.Do(); }));
}

namespace
{
// What the job asked to wait for, recorded in place of the waits; the
// "agent" answers at the second look.
struct CRecordedWaits
{
    static inline std::vector<DWORD> polls;
    static inline std::vector<DWORD> taskWaits;
    static inline std::wstring taskId;

    static void Poll(DWORD milliseconds)
    {
        polls.push_back(milliseconds);
        if (polls.size() == 2)
        {
            const std::wstring result = L"<result code=\"3010\" description=\"d\" op=\"2\"/>";
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, GetTaskKeyPath(taskId).c_str(), kTaskErrorValue,
                            REG_SZ, result.c_str(),
                            static_cast<DWORD>((result.size() + 1) * sizeof(wchar_t)));
        }
    }
    static void TaskWait(CCommonInstallTask&, DWORD milliseconds)
    {
        taskWaits.push_back(milliseconds);
    }
};

// The job waits one hour for an announced task's running event and looks for
// the result every three seconds, without an upper bound: SCCM's own maximum
// run time is the bound.
TEST(SccmJobMachine, RunServiceWaitsAnHourForTheTaskAndLooksEveryThreeSeconds)
{
    const auto parser = std::make_shared<CCmdLineParser>(L"/sccm /repair", /*caseSensitive=*/0);
    CSccmJob job(TaskRepair, parser);
    CRecordedWaits::polls.clear();
    CRecordedWaits::taskWaits.clear();
    CRecordedWaits::taskId = job.Task()->GetId();
    const SccmJobSeams::WaitFunction poll = SccmJobSeams::SetPollWait(CRecordedWaits::Poll);
    const SccmJobSeams::TaskWaitFunction wait = SccmJobSeams::SetTaskWait(CRecordedWaits::TaskWait);

    const CInstallTaskResult result = job.RunService();

    SccmJobSeams::SetPollWait(poll);
    SccmJobSeams::SetTaskWait(wait);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, GetTaskKeyPath(CRecordedWaits::taskId).c_str());
    EXPECT_EQ(std::vector<DWORD>{3600000}, CRecordedWaits::taskWaits);
    EXPECT_EQ((std::vector<DWORD>{3000, 3000}), CRecordedWaits::polls);
    EXPECT_EQ(3010, result.code);
}
} // namespace
