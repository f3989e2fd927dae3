#include "MachineStaysUp.h"

#include "ProcessRunner.h"

#include <windows.h>

namespace QvTest
{
namespace
{
constexpr DWORD kEndWaitMs = 10000;
// Bounds the program's life when a test is cut short and never sets the
// event: the longest test run, with room.
constexpr const wchar_t* kLifetimeSeconds = L"1800";

std::wstring StopEventName()
{
    static LONG counter = 0;
    return L"Local\\QvStayUp." + std::to_wstring(GetCurrentProcessId()) + L"." +
           std::to_wstring(InterlockedIncrement(&counter));
}
} // namespace

CMachineStaysUp::CMachineStaysUp()
{
    const std::wstring name = StopEventName();
    stop.Reset(CreateEventW(nullptr, /*manualReset=*/TRUE, /*initialState=*/FALSE, name.c_str()));
    program = StartProcess(BinDir() + L"QvStayUp.exe", name + L" " + kLifetimeSeconds);
}

CMachineStaysUp::~CMachineStaysUp()
{
    if (stop)
        SetEvent(stop.Get());
    if (program && WaitForSingleObject(program.Get(), kEndWaitMs) != WAIT_OBJECT_0)
        TerminateProcess(program.Get(), ERROR_TIMEOUT);
}

bool CMachineStaysUp::IsUp() const
{
    return program && WaitForSingleObject(program.Get(), 0) == WAIT_TIMEOUT;
}
} // namespace QvTest
