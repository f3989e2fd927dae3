// The patch actions end to end: the patch list as the administrator gives it
// on the command line reaches the agent whole and in order, the agent
// answers for each patch, and the run ends with the first failing patch's
// code; removing all patches where none is applied ends well.
#include "SccmMachine.h"

#include "ClientPatch.h"
#include "ClientProduct.h"
#include "InstallTaskKeys.h"
#include "InstallTaskResult.h"
#include "ProductQueries.h"

#include <vector>

namespace
{
using namespace QvTest;

constexpr const wchar_t* kPatchDir = L"C:\\QvSccmPatches";

// The values of every "path" attribute of a task's XML text, in order.
std::vector<std::wstring> PatchPaths(const std::wstring& xml)
{
    std::vector<std::wstring> paths;
    const std::wstring opener = L" path=\"";
    for (size_t at = xml.find(opener); at != std::wstring::npos; at = xml.find(opener, at + 1))
    {
        const size_t from = at + opener.size();
        paths.push_back(xml.substr(from, xml.find(L'"', from) - from));
    }
    return paths;
}

std::wstring AgentLogPath()
{
    return WindowsTemp() + L"\\QvInstAgent.log";
}

class SccmPatchMachine : public CSccmMachineTest
{
protected:
    void SetUp() override
    {
        CSccmMachineTest::SetUp();
        CreateDirectoryW(kPatchDir, nullptr);
        ASSERT_EQ(0u, InstallClient(kSccmInstallDir));
    }
    void TearDown() override { RemoveTree(kPatchDir); }
};

TEST_F(SccmPatchMachine, ThePatchListReachesTheAgentWholeAndTheFirstFailureEndsTheRun)
{
    // Neither is a patch: Windows Installer answers for each (Windows
    // documents 1635 or 1636 for a file it cannot open as a patch; Wine
    // answers 1627 for both).
    const std::wstring text = std::wstring(kPatchDir) + L"\\text.msp";
    const std::wstring missing = std::wstring(kPatchDir) + L"\\missing.msp";
    ASSERT_TRUE(WriteUtf16File(text, L"not a patch"));
    const size_t agentLogBefore = ReadFileBytes(AgentLogPath()).size();

    const DWORD code = Sccm(L"/sccm /applypatch:" + text + L"*" + missing);

    const std::set<std::wstring> ids = NewTaskIds();
    ASSERT_EQ(1u, ids.size());
    const std::wstring id = *ids.begin();
    EXPECT_EQ((std::vector<std::wstring>{text + L"*", missing + L"*"}), PatchPaths(ReadTaskXml(id)))
        << "in order, unchanged: no backslash added";
    const std::string agentLog = ReadFileBytes(AgentLogPath()).substr(agentLogBefore);
    const size_t first = agentLog.find("patch C:\\QvSccmPatches\\text.msp: ");
    const size_t second = agentLog.find("patch C:\\QvSccmPatches\\missing.msp: ");
    EXPECT_NE(std::string::npos, first) << agentLog;
    EXPECT_NE(std::string::npos, second) << agentLog;
    EXPECT_LT(first, second) << "applied in the order given";

    std::wstring document;
    ASSERT_TRUE(ReadRawString(HKEY_LOCAL_MACHINE, GetTaskKeyPath(id), kTaskErrorValue, document));
    const CPatchInstallTaskResult result(document);
    ASSERT_EQ(2u, result.patches.size()) << document.c_str();
    EXPECT_EQ(text, result.patches[0].path);
    EXPECT_EQ(missing, result.patches[1].path);
    EXPECT_NE(0, result.patches[0].code);
    EXPECT_NE(0, result.patches[1].code);
    EXPECT_EQ(static_cast<DWORD>(result.patches[0].code), code) << "the first failing patch's";
    EXPECT_TRUE(IsProductInstalled());
}

TEST_F(SccmPatchMachine, RemovingAllPatchesWhereNoneIsAppliedEndsWell)
{
    EXPECT_EQ(0u, Sccm(L"/sccm /removeallpatches"));
    EXPECT_TRUE(IsProductInstalled());
}
// The build's real patch among two that fail: it is applied, and the run
// ends with the code of the first that failed, not the first patch's nor the
// last's (under Wine the two failures differ: 1627 for a text, 87 for a
// package that is no patch).
TEST_F(SccmPatchMachine, ARealPatchIsAppliedAndTheFirstFailureEndsTheRun)
{
    const std::wstring text = std::wstring(kPatchDir) + L"\\text.msp";
    ASSERT_TRUE(WriteUtf16File(text, L"not a patch"));
    const DWORD code =
        Sccm(L"/sccm /applypatch:" + ClientPatchPath() + L"*" + text + L"*" + ClientPackagePath());

    EXPECT_EQ(QvClientPatch::kPatchLevel, InstalledPatchLevel()) << "the real one applied";
    const std::set<std::wstring> ids = NewTaskIds();
    ASSERT_EQ(1u, ids.size());
    const CPatchInstallTaskResult result(ReadStoredResult(*ids.begin()));
    ASSERT_EQ(3u, result.patches.size()) << result.text.c_str();
    EXPECT_EQ(0, result.patches[0].code);
    EXPECT_NE(0, result.patches[1].code);
    EXPECT_NE(0, result.patches[2].code);
    EXPECT_EQ(static_cast<DWORD>(result.patches[1].code), code);
}

TEST_F(SccmPatchMachine, ARealPatchGoesWithAllPatches)
{
    ASSERT_EQ(0u, Sccm(L"/sccm /applypatch:" + ClientPatchPath()));
    ASSERT_EQ(QvClientPatch::kPatchLevel, InstalledPatchLevel());
    EXPECT_EQ(0u, Sccm(L"/sccm /removeallpatches"));
    EXPECT_TRUE(IsProductInstalled());
    if (RunsUnderWine())
        GTEST_SKIP() << "Wine's Windows Installer takes MSIPATCHREMOVE for an ordinary property "
                        "and applies the cached patch again (ClientPatchMachine)";
    EXPECT_EQ(L"", InstalledPatchLevel()) << "its value went with it";
}
} // namespace
