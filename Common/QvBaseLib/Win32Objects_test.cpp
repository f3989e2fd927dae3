#include "Win32Objects.h"

#include "UniqueResource.h"

#include "qvexception.h"
#include "TraceConfig.h"

#include <gtest/gtest.h>

namespace
{
using QvBase::CQvError;
using QvBase::CWin32Event;
using QvBase::CWin32File;
using QvBase::CWin32Handle;
using QvBase::CWin32Process;

std::wstring CmdExe()
{
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\cmd.exe";
}

// Runs f, which must raise; returns the error's dump.
template <typename F> std::wstring DumpOfRaised(F f)
{
    try
    {
        f();
    }
    catch (CQvError& e)
    {
        return e.Dump();
    }
    ADD_FAILURE() << "nothing was raised";
    return std::wstring();
}

TEST(Win32File, CreateAlwaysOverAnExistingFileSucceeds)
{
    QvTest::CTempDir dir(L"QvWin32FileTest");
    const std::wstring path = dir / L"f.bin";
    for (int round = 0; round < 2; ++round)
    {
        CWin32File file;
        EXPECT_EQ(0u, file.Create(path.c_str(), GENERIC_WRITE, CREATE_ALWAYS, 0, nullptr,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_EQ(path, file.GetName());
        EXPECT_EQ(0u, file.Write("abc", 3));
    }
    EXPECT_EQ("abc", QvTest::ReadFileBytes(path));

    CWin32File missing;
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND),
              missing.Create((dir / L"no\\such.bin").c_str(), GENERIC_READ, OPEN_EXISTING, 0,
                             nullptr, 0, nullptr));
    EXPECT_FALSE(missing.IsOpen());
}

TEST(Win32Handle, DetachHandsTheHandleOver)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        CWin32Handle owner(event);
        EXPECT_TRUE(owner.IsOpen());
        EXPECT_EQ(event, owner.Detach());
        EXPECT_EQ(INVALID_HANDLE_VALUE, owner.GetHandle());
    }
    // Still open: the wrapper let go of it.
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(event, 0));
    {
        CWin32Handle owner;
        owner.Attach(event);
    }
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(event, 0));
}

TEST(Win32EventMachine, CreateOpenSetResetAndErrors)
{
    const wchar_t* name = L"Global\\QvTest.Win32Event";
    CWin32Event first(true);
    EXPECT_FALSE(first.IsValid());
    EXPECT_EQ(nullptr, first.GetHandle());
    EXPECT_EQ(0u, first.Create(false, name, nullptr));

    // The name exists already: opening it through Create is success too.
    CWin32Event second(true);
    EXPECT_EQ(0u, second.Create(false, name, nullptr));
    EXPECT_EQ(name, second.GetName());
    EXPECT_EQ(0u, first.Set());
    EXPECT_EQ(WAIT_OBJECT_0, second.Wait(0));
    EXPECT_EQ(0u, second.ResetEvent());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), first.Wait(0));

    CWin32Event opened(false);
    EXPECT_EQ(0u, opened.Open(name, EVENT_ALL_ACCESS));
    EXPECT_EQ(name, opened.GetName());
    CWin32Event missing(false);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              missing.Open(L"Global\\QvTest.NoSuchEvent", EVENT_ALL_ACCESS));

    // A mutex holds the name: an event cannot be made under it.
    const QvBase::CUniqueHandle mutex(
        CreateMutexW(nullptr, /*initialOwner=*/FALSE, L"Global\\QvTest.Win32EventTaken"));
    CWin32Event clash(true);
    const std::wstring dump =
        DumpOfRaised([&] { clash.Create_Ex(false, L"Global\\QvTest.Win32EventTaken", nullptr); });
    EXPECT_NE(std::wstring::npos, dump.find(L"Code: 0x00000006\r\n"));
    EXPECT_NE(std::wstring::npos, dump.find(L"File: Common/QvBaseLib/Win32Objects\r\n"));
    EXPECT_NE(std::wstring::npos, dump.find(L"Function: QvBase::CWin32Event::Create_Ex\r\n"));
    EXPECT_NE(std::wstring::npos, dump.find(L"Line: 593\r\n"));
}

TEST(Win32Process, NeverStartedProcess)
{
    CWin32Process process;
    EXPECT_EQ(0xFFFFFFFFu, process.GetExitCode());
    EXPECT_EQ(0u, process.WaitFor(INFINITE));
    EXPECT_EQ(0xFFFFFFFFu, process.GetExitCode());
}

TEST(Win32Process, CommandLineQuotesOnlyTheApplication)
{
    CWin32Process process;
    EXPECT_NE(0u, process.Create(L"C:\\A B\\x.exe", L"/q", false, 0, false, nullptr));
    EXPECT_EQ(L"\"C:\\A B\\x.exe\" /q", process.GetCommandLine());

    CWin32Process raising;
    const std::wstring dump = DumpOfRaised(
        [&] { raising.Create_Ex(L"C:\\no\\such.exe", nullptr, false, 0, true, nullptr); });
    EXPECT_NE(std::wstring::npos, dump.find(L"Line: 935\r\n"));
    EXPECT_NE(std::wstring::npos, dump.find(L"Function: QvBase::CWin32Process::Create_Ex\r\n"));
}

TEST(Win32Process, RunsWaitsAndReportsTheExitCode)
{
    CWin32Process process;
    ASSERT_EQ(0u, process.Create(CmdExe().c_str(), L"/c exit 7", false, 0, false, nullptr));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), process.GetExitCode());
    EXPECT_EQ(0u, process.WaitFor(INFINITE));
    EXPECT_EQ(7u, process.GetExitCode());
}

TEST(Win32Process, WaitTimeOutRaises258AndTerminateSetsTheCode)
{
    CWin32Process process;
    ASSERT_EQ(
        0u, process.Create(CmdExe().c_str(), L"/c pause", false, CREATE_NO_WINDOW, false, nullptr));
    const std::wstring dump = DumpOfRaised([&] { process.WaitFor_Ex(0); });
    EXPECT_NE(std::wstring::npos, dump.find(L"Code: 0x00000102\r\n"));
    EXPECT_NE(std::wstring::npos, dump.find(L"Line: 954\r\n"));
    EXPECT_TRUE(process.Terminate(42));
    EXPECT_EQ(42u, process.GetExitCode());
    EXPECT_EQ(0u, process.WaitFor(INFINITE));
    EXPECT_EQ(42u, process.GetExitCode());
}

TEST(Win32Process, SecurityAttributesAreCopiedSelfRelative)
{
    SECURITY_DESCRIPTOR absolute;
    InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&absolute, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES given = {sizeof(given), &absolute, TRUE};

    CWin32Process process;
    process.SetSecurityAttributes(given);
    SECURITY_ATTRIBUTES out = {};
    std::vector<BYTE> copy;
    process.GetSecurityAttributes(out, copy);
    EXPECT_EQ(given.nLength, out.nLength);
    EXPECT_TRUE(out.bInheritHandle);
    ASSERT_NE(nullptr, out.lpSecurityDescriptor);
    EXPECT_NE(static_cast<void*>(&absolute), out.lpSecurityDescriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(out.lpSecurityDescriptor, &control, &revision));
    EXPECT_TRUE(control & SE_SELF_RELATIVE);
}
} // namespace
