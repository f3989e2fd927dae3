// The task exchange between the setup side and the agent side: the task key
// (registry-backed tasks) and the named objects (the section transport).
// Machine-wide: HKLM task keys of the tests' own ids, and Global\ objects,
// among them the agent's, which only one suite at a time may create.
#include "InstallTaskKinds.h"

#include "RaisedError.h"
#include "InstallTaskKeys.h"
#include "InstallTaskRecords.h"
#include "InstallTaskResult.h"
#include "qvexception.h"
#include "RegistryState.h"
#include "TestFiles.h"
#include "TraceCapture.h"
#include "UniqueResource.h"

#include <aclapi.h>
#include <comdef.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace
{
const std::wstring kAgentKey = L"SYSTEM\\CurrentControlSet\\services\\QvInstAgent";
const std::wstring kResultDocument = L"<result code=\"1603\" description=\"failed\" op=\"2\"/>";

// A raw value as stored: its type and bytes.
struct CRawValue
{
    DWORD type = 0;
    std::vector<BYTE> bytes;
    bool found = false;
};

CRawValue ReadRawValue(const std::wstring& path, const wchar_t* name)
{
    CRawValue value;
    QvBase::CUniqueKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.Put()) !=
        ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return value;
    value.bytes.resize(size);
    value.found = RegQueryValueExW(key.Get(), name, nullptr, &value.type, value.bytes.data(),
                                   &size) == ERROR_SUCCESS;
    return value;
}

void WriteRawText(const std::wstring& path, const wchar_t* name, const void* data, size_t size)
{
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, REG_SZ, data,
                                             static_cast<DWORD>(size)));
}

// Fresh task ids whose keys go at the end, and the agent's key with them when
// the test made it.
class InstallTaskStoreMachine : public ::testing::Test
{
protected:
    ~InstallTaskStoreMachine() override
    {
        for (const std::wstring& id : ids)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, GetTaskKeyPath(id).c_str());
        if (!agentKeyExisted)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, kAgentKey.c_str());
        else if (!taskKeyExisted)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kAgentKey + L"\\Task").c_str());
    }

    std::wstring NewId()
    {
        ids.push_back(NewTaskId());
        return ids.back();
    }
    static std::wstring KeyOf(const std::wstring& id) { return GetTaskKeyPath(id); }

private:
    bool agentKeyExisted = QvTest::KeyExists(HKEY_LOCAL_MACHINE, kAgentKey);
    bool taskKeyExisted = QvTest::KeyExists(HKEY_LOCAL_MACHINE, kAgentKey + L"\\Task");
    std::vector<std::wstring> ids;
};

TEST_F(InstallTaskStoreMachine, StoreWritesTypeXmlAndCreationTime)
{
    CRepairTask task(NewId(), 720);
    task.Store();
    const std::wstring text = task.SerializeToXml();

    DWORD type = 0;
    ASSERT_TRUE(QvTest::ReadRawDword(HKEY_LOCAL_MACHINE, KeyOf(task.GetId()), L"type", type));
    EXPECT_EQ(2u, type);
    const CRawValue xml = ReadRawValue(KeyOf(task.GetId()), L"xml");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), xml.type);
    ASSERT_EQ(2 * text.size() + 2, xml.bytes.size());
    EXPECT_EQ(0, std::memcmp(text.c_str(), xml.bytes.data(), xml.bytes.size()));
    const CRawValue time = ReadRawValue(KeyOf(task.GetId()), L"timecreated");
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), time.type);
    const FILETIME created = task.GetCreationTime();
    ASSERT_EQ(sizeof(created), time.bytes.size());
    EXPECT_EQ(0, std::memcmp(&created, time.bytes.data(), sizeof(created)));
}

// The agent's side finds every field, the creation time included, and counts
// its loads.
TEST_F(InstallTaskStoreMachine, LoadReadsTheStoredTaskAndCountsTries)
{
    CUpgradeTask stored(NewId(), L"c:\\dist\\", 30, {L"c:\\p"}, 4);
    stored.SetInteractive(true);
    stored.Store();

    const auto agent = CreateTaskOfType(TaskUpgrade, stored.GetId());
    agent->Load();
    agent->Load();
    auto& loaded = static_cast<CUpgradeTask&>(*agent);
    EXPECT_EQ(30, loaded.GetTimeout());
    EXPECT_EQ(stored.GetLocale(), agent->GetLocale());
    EXPECT_TRUE(agent->IsInteractive());
    EXPECT_EQ(4, loaded.GetOptions());
    EXPECT_EQ(TaskPatchList{L"c:\\p\\"}, loaded.GetPatches());
    const FILETIME storedTime = stored.GetCreationTime();
    const FILETIME loadedTime = loaded.GetCreationTime();
    EXPECT_EQ(0, CompareFileTime(&storedTime, &loadedTime));
    DWORD tries = 0;
    ASSERT_TRUE(
        QvTest::ReadRawDword(HKEY_LOCAL_MACHINE, KeyOf(stored.GetId()), L"TryCount", tries));
    EXPECT_EQ(2u, tries);
}

// "xml" written by someone else: without its NUL and with an odd byte, or
// empty. Reading stays within the value; an empty text is no document.
TEST_F(InstallTaskStoreMachine, XmlValueWithoutTerminatorIsReadSafely)
{
    CRepairTask stored(NewId(), 45);
    const std::wstring text = stored.SerializeToXml();
    std::vector<BYTE> bytes(text.size() * sizeof(wchar_t) + 1, 0x41);
    std::memcpy(bytes.data(), text.data(), text.size() * sizeof(wchar_t));
    WriteRawText(KeyOf(stored.GetId()), L"xml", bytes.data(), bytes.size());
    CRepairTask agent(stored.GetId(), 0);
    agent.Load();
    EXPECT_EQ(45, agent.GetTimeout());

    const std::wstring emptyId = NewId();
    WriteRawText(KeyOf(emptyId), L"xml", "", 0);
    CRepairTask empty(emptyId, 0);
    try
    {
        empty.Load();
        ADD_FAILURE() << "an empty text loaded";
    }
    catch (const _com_error& error)
    {
        EXPECT_EQ(E_POINTER, error.Error());
    }
}

TEST_F(InstallTaskStoreMachine, CompleteWithoutTextWritesOnlyTheResult)
{
    CRepairTask task(NewId(), 720);
    task.Store();
    // No running event exists: Complete traces that and returns.
    task.Complete(0, L"");
    DWORD result = 1;
    ASSERT_TRUE(QvTest::ReadRawDword(HKEY_LOCAL_MACHINE, KeyOf(task.GetId()), L"Result", result));
    EXPECT_EQ(0u, result);
    EXPECT_FALSE(ReadRawValue(KeyOf(task.GetId()), L"error").found);
}

TEST_F(InstallTaskStoreMachine, CompletedTextIsTheResultDocument)
{
    CRepairTask setup(NewId(), 720);
    setup.Store();
    CRepairTask agent(setup.GetId(), 0);
    agent.Complete(1603, kResultDocument);

    const CRawValue error = ReadRawValue(KeyOf(setup.GetId()), L"error");
    EXPECT_EQ(2 * kResultDocument.size() + 2, error.bytes.size());
    const std::shared_ptr<CInstallTaskResult> result = setup.GetResult();
    EXPECT_EQ(1603, result->code);
    EXPECT_EQ(2, result->op);
    EXPECT_EQ(L"failed", result->description);
    EXPECT_EQ(kResultDocument, result->text);
}

TEST_F(InstallTaskStoreMachine, PatchTaskResultHasItsPatches)
{
    CApplyRemovePatchesTask setup(NewId(), TaskApplyPatches, {L"a.msp"}, 720);
    setup.Store();
    const auto agent = CreateTaskOfType(TaskApplyPatches, setup.GetId());
    agent->Load();
    agent->Complete(0, L"<r code='0' op='100'><p code='0' path='a.msp*' description='ok'/></r>");

    const std::shared_ptr<CInstallTaskResult> result = setup.GetResult();
    EXPECT_EQ(100, result->op);
    const auto& patches = static_cast<const CPatchInstallTaskResult&>(*result).patches;
    ASSERT_EQ(1u, patches.size());
    EXPECT_EQ(L"a.msp*", patches[0].path);
}

// 753 means the upgrade goes on elsewhere: nothing reaches the setup side.
TEST_F(InstallTaskStoreMachine, UpgradeCompletedWith753LeavesNoValues)
{
    CUpgradeTask task(NewId(), L"c:\\dist\\", 720, {}, 0);
    task.Store();
    task.Complete(CUpgradeTask::kNotReportedCode, kResultDocument);
    EXPECT_FALSE(ReadRawValue(KeyOf(task.GetId()), L"Result").found);
    EXPECT_FALSE(ReadRawValue(KeyOf(task.GetId()), L"error").found);

    task.Complete(1603, kResultDocument);
    EXPECT_TRUE(ReadRawValue(KeyOf(task.GetId()), L"Result").found);
    EXPECT_TRUE(ReadRawValue(KeyOf(task.GetId()), L"error").found);
}

// Without an announcement there is no running event: the wait fails at once
// and the result is then read from the registry.
TEST_F(InstallTaskStoreMachine, WaitOnAnUnannouncedTaskReturnsAtOnce)
{
    QvTest::CTempDir dir(L"QvInstallTaskWaitTrace");
    std::string log;
    CRepairTask task(NewId(), 720);
    {
        QvTest::CProcessTraceCapture capture(dir.Path());
        task.Store();
        task.Wait(3600000);
        log = capture.Log(L"QvInstallLib");
    }
    const std::wstring wideId = task.GetId();
    const std::string id(wideId.begin(), wideId.end());
    EXPECT_NE(std::string::npos, log.find("Task " + id + " wait start")) << log;
    EXPECT_NE(std::string::npos, log.find("Task " + id + " wait complete -1")) << log;
}

TEST_F(InstallTaskStoreMachine, PendingKeyIsVolatile)
{
    CRepairTask task(NewId(), 720);
    task.CreatePendingKey();
    const std::wstring pending = KeyOf(task.GetId()) + L"\\Pending";
    ASSERT_TRUE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, pending));
    // Only volatile keys can live below a volatile key.
    QvBase::CUniqueKey child;
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE,
              RegCreateKeyExW(HKEY_LOCAL_MACHINE, (pending + L"\\child").c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, child.Put(), nullptr));
    task.CreatePendingKey(); // again: opened, no harm
}

// --- the section transport, with this test as the agent ---

// Generic rights of an entry may be kept or mapped to the object's own when
// the system stores the descriptor: both forms are the same access.
bool SameAccess(DWORD expected, DWORD actual, DWORD allAccess)
{
    const DWORD mapped = expected & GENERIC_ALL
                             ? (expected & ~static_cast<DWORD>(GENERIC_ALL)) | allAccess
                             : expected;
    return actual == expected || actual == mapped;
}

// The object's stored access list is the task objects' three entries.
void ExpectTaskSecurity(HANDLE object, DWORD allAccess, const std::wstring& name)
{
    ASSERT_NE(nullptr, object) << name;
    PACL acl = nullptr;
    QvBase::CUniqueLocal descriptor;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &acl, nullptr,
                              reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Put())))
        << name;
    ASSERT_NE(nullptr, acl) << name;
    ASSERT_EQ(3, acl->AceCount) << name;
    const DWORD masks[] = {0x001F0003, GENERIC_ALL, 0x100F001F};
    for (DWORD index = 0; index < 3; ++index)
    {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        ASSERT_TRUE(GetAce(acl, index, reinterpret_cast<void**>(&entry)));
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, entry->Header.AceType) << name;
        EXPECT_TRUE(SameAccess(masks[index], entry->Mask, allAccess))
            << name << L" entry " << index << L": " << std::hex << entry->Mask;
        EXPECT_TRUE(IsWellKnownSid(&entry->SidStart, WinWorldSid)) << name;
    }
}

void ExpectSectionSecurity(const std::wstring& name)
{
    const QvBase::CUniqueHandle section(OpenFileMappingW(READ_CONTROL, FALSE, name.c_str()));
    ExpectTaskSecurity(section.Get(), SECTION_ALL_ACCESS, name);
}

void ExpectEventSecurity(const std::wstring& name)
{
    const QvBase::CUniqueHandle event(OpenEventW(READ_CONTROL, FALSE, name.c_str()));
    ExpectTaskSecurity(event.Get(), EVENT_ALL_ACCESS, name);
}

// The objects a running agent has made.
class InstallTaskSectionsMachine : public InstallTaskStoreMachine
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ready) << GetLastError();
        ASSERT_TRUE(newTask) << GetLastError();
        ASSERT_TRUE(newTaskMap) << GetLastError();
    }

    CTaskAnnouncement ReadAnnouncementMap() const
    {
        const QvBase::CUniqueView view(
            MapViewOfFile(newTaskMap.Get(), FILE_MAP_READ, 0, 0, kMapSize));
        return view ? ReadAnnouncement(view.Get(), kMapSize) : CTaskAnnouncement();
    }

    static constexpr DWORD kMapSize = 4096;
    QvBase::CUniqueHandle ready{CreateEventW(nullptr, /*manualReset=*/TRUE, /*initialState=*/TRUE,
                                             kInstallerReadyEventName)};
    QvBase::CUniqueHandle newTask{CreateEventW(nullptr, /*manualReset=*/FALSE,
                                               /*initialState=*/FALSE, kNewInstallTaskEventName)};
    QvBase::CUniqueHandle newTaskMap{CreateFileMappingW(
        INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kMapSize, kNewInstallTaskMapName)};
};

// Store, Run, the agent's Load and Complete, Wait: once through the named
// objects, each made with the task objects' security.
TEST_F(InstallTaskSectionsMachine, TaskAndResultTravelThroughSections)
{
    CRepairTask setup(NewId(), 30);
    setup.SetRegistryBacked(false);
    setup.SetSrcPath(L"c:\\src");
    setup.Store();
    ExpectSectionSecurity(setup.GetTaskMapName());

    setup.Run();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(newTask.Get(), 0)) << "the agent is told";
    const CTaskAnnouncement announcement = ReadAnnouncementMap();
    EXPECT_EQ(TaskRepair, announcement.type);
    EXPECT_EQ(setup.GetId(), announcement.id);
    ExpectEventSecurity(setup.GetRunningEventName());

    const auto agent = CreateTaskOfType(announcement.type, announcement.id);
    agent->SetRegistryBacked(false);
    agent->Load();
    EXPECT_EQ(30, agent->GetTimeout());
    EXPECT_EQ(L"c:\\src", agent->GetSrcPath());
    agent->Complete(1603, kResultDocument);
    ExpectSectionSecurity(agent->GetResultMapName());

    setup.Wait(60000);
    EXPECT_EQ(1603, setup.GetResultCode());
    EXPECT_EQ(kResultDocument, setup.GetResultText());
    EXPECT_EQ(1603, setup.GetResult()->code);
    EXPECT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, KeyOf(setup.GetId())))
        << "nothing goes through the registry";
}

// A wait that ends without the agent's signal is a failure with a code of
// its own, never 0.
TEST_F(InstallTaskSectionsMachine, WaitThatTimesOutFails)
{
    CRepairTask setup(NewId(), 30);
    setup.SetRegistryBacked(false);
    setup.Store();
    setup.Run();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT),
              QvTest::CodeOfErrorRaisedBy([&] { setup.Wait(0); }));
}

TEST_F(InstallTaskStoreMachine, SectionTransportWithoutItsObjectsFails)
{
    CRepairTask setup(NewId(), 30);
    setup.SetRegistryBacked(false);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              QvTest::CodeOfErrorRaisedBy([&] { setup.Run(); }))
        << "no agent is running";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              QvTest::CodeOfErrorRaisedBy([&] { setup.Load(); }))
        << "no task section";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE),
              QvTest::CodeOfErrorRaisedBy([&] { setup.Wait(0); }))
        << "no running event";
}
} // namespace
