#pragma once

// The end-to-end SCCM tests' machine: a distribution laid out as the product
// ships it (the response file at the distribution root, the program, the
// agent and the package QvClient.msi in setup\\client\\x64), the real install
// agent service and real Windows Installer work, on a machine that stays up
// across the runs as a real one does between deployments; and what the tests
// read of it afterwards.
#include "AgentMachine.h"
#include "AgentSteering.h"
#include "MachineStaysUp.h"
#include "PendingDeletions.h"
#include "ProcessRunner.h"
#include "RegistryState.h"
#include "TestDistribution.h"
#include "TestFiles.h"
#include "TraceConfig.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace QvTest
{
constexpr const wchar_t* kSccmDistRoot = L"C:\\QvSccmDist";
// Without spaces: Wine registers a package's service with an unquoted path.
constexpr const wchar_t* kSccmInstallDir = L"C:\\QvSccmClient";
constexpr const wchar_t* kSrvApiKey = L"Software\\QvTest\\QvSrvApi";
constexpr DWORD kSccmRunTimeoutMs = 120000;
// The root's response file as an administrator writes it.
constexpr const wchar_t* kSccmResponseFile =
    L"[Common]\r\nSource=.\r\nInstalldir=C:\\QvSccmClient\r\nlocale=ru-RU\r\n";

// <Windows>\TEMP, where the install and upgrade jobs copy the agent.
std::wstring WindowsTemp();
// The task's XML text as stored, and one attribute of it.
std::wstring ReadTaskXml(const std::wstring& id);
std::wstring Attribute(const std::wstring& xml, const std::wstring& name);
// "Source" of the response file copied into the agent's folder.
std::wstring CopiedSource(const std::wstring& folder);
// The state the Service Control Manager reports; 0 when there is no entry.
DWORD ServiceState(const wchar_t* name);
// Nothing of an SCCM job lives on after it: no QvInstAgent_sccm entry and no
// process running from the Windows TEMP folder, a few seconds after the run.
::testing::AssertionResult NothingOfTheJobRunsOn();
// The {GUID} folders of agent copies in the Windows TEMP folder.
std::set<std::wstring> AgentFolders();
// The first line of each block of the function in a trace log, in order: a
// block is the function's name, "{", then its lines ("StopDriver", "{",
// "  QvInstAgent", ...). A level-4 line ("W>") holding the text.
std::vector<std::string> TracedCalls(const std::string& log, const std::string& function);
bool HasWarningLine(const std::string& log, const std::string& text);
// A restart of the prefix: wineboot carries out the deletions registered for
// the next restart, in their order, as Windows does at boot.
DWORD RestartThePrefix();

class CSccmMachineTest : public ::testing::Test
{
protected:
    void SetUp() override;

    static ProcessResult RunSccmFrom(const CTestDistribution& from, const std::wstring& arguments,
                                     DWORD timeoutMs = kSccmRunTimeoutMs);
    ProcessResult RunSccm(const std::wstring& arguments, DWORD timeoutMs = kSccmRunTimeoutMs)
    {
        return RunSccmFrom(dist, arguments, timeoutMs);
    }
    // The exit code of a run that must end.
    DWORD Sccm(const std::wstring& arguments);
    std::set<std::wstring> NewTaskIds() const { return cleanup.NewTaskIds(); }
    std::string Log() const { return ReadFileBytes(logs / L"QvSetup.log"); }
    std::string LibraryLog() const { return ReadFileBytes(logs / L"QvInstallLib.log"); }

    // Services live on across the runs, as on a real machine.
    CMachineStaysUp machine;
    // Whatever a run left goes at the start and at the end, however the test
    // ends: product, agent services, stored tasks, steering.
    CAgentMachineCleanup cleanup{kSccmInstallDir};
    CAgentSteering steering;
    CTestDistribution dist{kSccmDistRoot, /*withEngine=*/false};
    CTraceConfig config;
    CTempDir logs{L"QvSccmLogs"};
    CKeyBackup srvApi{HKEY_CURRENT_USER, kSrvApiKey};
    CPendingDeletions pending;
};
} // namespace QvTest
