#include "SccmMachine.h"

#include "InstallTaskKeys.h"
#include "UniqueResource.h"

namespace QvTest
{
namespace
{
// An SCCM job's own agent ends within a few seconds of the job; this leaves
// room for a loaded machine.
constexpr DWORD kLeftoverWaitMs = 20000;
} // namespace

std::wstring WindowsTemp()
{
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\TEMP";
}

std::wstring ReadTaskXml(const std::wstring& id)
{
    std::wstring xml;
    ReadRawString(HKEY_LOCAL_MACHINE, GetTaskKeyPath(id), kTaskXmlValue, xml);
    return xml;
}

// The value of an attribute in a task's XML text.
std::wstring Attribute(const std::wstring& xml, const std::wstring& name)
{
    const std::wstring opener = L" " + name + L"=\"";
    const size_t start = xml.find(opener);
    if (start == std::wstring::npos)
        return std::wstring();
    const size_t from = start + opener.size();
    return xml.substr(from, xml.find(L'"', from) - from);
}

std::wstring CopiedSource(const std::wstring& folder)
{
    wchar_t value[MAX_PATH] = {};
    GetPrivateProfileStringW(L"Common", L"Source", L"", value, MAX_PATH,
                             (folder + L"\\QvInst.rsp").c_str());
    return value;
}

// The state the Service Control Manager reports; 0 when there is no entry.
DWORD ServiceState(const wchar_t* name)
{
    QvBase::CUniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    QvBase::CUniqueServiceHandle service(OpenServiceW(manager.Get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    return service && QueryServiceStatus(service.Get(), &status) ? status.dwCurrentState : 0;
}

// Nothing of an SCCM job lives on after it: no QvInstAgent_sccm entry and no
// process running from the Windows TEMP folder, a few seconds after the run.
::testing::AssertionResult NothingOfTheJobRunsOn()
{
    for (const ULONGLONG deadline = GetTickCount64() + kLeftoverWaitMs;; Sleep(200))
    {
        const DWORD agent = ServiceState(kSccmAgentServiceName);
        const std::vector<std::wstring> running = ProcessesRunningFrom(WindowsTemp());
        if (agent == 0 && running.empty())
            return ::testing::AssertionSuccess();
        if (GetTickCount64() < deadline)
            continue;
        ::testing::AssertionResult failure = ::testing::AssertionFailure();
        if (agent != 0)
            failure << kSccmAgentServiceName << " is still there in state " << agent << "; ";
        for (const std::wstring& image : running)
            failure << "still running: " << image << "; ";
        return failure;
    }
}

// The {GUID} folders of agent copies in the Windows TEMP folder.
std::set<std::wstring> AgentFolders()
{
    std::set<std::wstring> folders;
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((WindowsTemp() + L"\\{*}").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return folders;
    do
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.insert(WindowsTemp() + L"\\" + found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return folders;
}

// A restart of the prefix: wineboot carries out the deletions registered for
// the next restart, in their order, as Windows does at boot.
DWORD RestartThePrefix()
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const ProcessResult r = RunProcess(std::wstring(system) + L"\\wineboot.exe", L"-r", 60000);
    return r.finished ? r.exitCode : ERROR_TIMEOUT;
}

namespace
{
std::vector<std::string> Lines(const std::string& log)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = log.find('\n'); end != std::string::npos;
         start = end + 1, end = log.find('\n', start))
        lines.push_back(log.substr(start, end - start));
    lines.push_back(log.substr(start));
    for (std::string& line : lines)
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    return lines;
}

std::string Trimmed(const std::string& line)
{
    const size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : line.substr(first);
}
} // namespace

std::vector<std::string> TracedCalls(const std::string& log, const std::string& function)
{
    const std::vector<std::string> lines = Lines(log);
    std::vector<std::string> calls;
    for (size_t i = 0; i + 2 < lines.size(); ++i)
        if (Trimmed(lines[i]) == function && Trimmed(lines[i + 1]) == "{")
            calls.push_back(Trimmed(lines[i + 2]));
    return calls;
}

bool HasWarningLine(const std::string& log, const std::string& text)
{
    for (const std::string& line : Lines(log))
        if (line.compare(0, 2, "W>") == 0 && line.find(text) != std::string::npos)
            return true;
    return false;
}

void CSccmMachineTest::SetUp()
{
    ASSERT_TRUE(machine.IsUp());
    ASSERT_TRUE(dist.AddAgentAndPackage());
    dist.WriteRootResponseFile(kSccmResponseFile);
    // Every run of the test appends to the one log of each sink.
    config.TraceSinkInto(L"QvSetup", logs.Path(), /*params=*/0x0101);
    config.TraceSinkInto(L"QvInstallLib", logs.Path(), /*params=*/0x0101);
}

ProcessResult CSccmMachineTest::RunSccmFrom(const CTestDistribution& from,
                                            const std::wstring& arguments, DWORD timeoutMs)
{
    ProcessResult r = RunProcess(from.Setup(), arguments, timeoutMs);
    EXPECT_TRUE(r.started) << "start error " << r.startError;
    EXPECT_TRUE(r.messageBoxes.empty()) << "the SCCM mode shows nothing";
    EXPECT_TRUE(r.windows.empty()) << "nor makes a window: " << testing::PrintToString(r.windows);
    return r;
}

DWORD CSccmMachineTest::Sccm(const std::wstring& arguments)
{
    const ProcessResult r = RunSccm(arguments);
    EXPECT_TRUE(r.finished);
    return r.exitCode;
}
} // namespace QvTest
