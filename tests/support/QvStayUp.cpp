// Keeps the Wine prefix up: Wine ends a prefix's services when its last
// ordinary program ends, which Windows never does. While this program runs,
// services live on across the runs of a test or a script, as a logged-on
// session keeps a real machine's services alive.
//   QvStayUp.exe EVENT|- [SECONDS]
// Ends when the named event is set (CMachineStaysUp sets it) or after
// SECONDS (default 3600), so that a test that was cut short leaves no
// program behind for long; with "-" it only waits out the time.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return ERROR_INVALID_PARAMETER;
    const DWORD seconds = argc > 2 ? std::wcstoul(argv[2], nullptr, 10) : 3600;
    const bool named = std::wcscmp(argv[1], L"-") != 0;
    const HANDLE stop =
        named ? CreateEventW(nullptr, /*manualReset=*/TRUE, /*initialState=*/FALSE, argv[1])
              : nullptr;
    if (named && stop == nullptr)
        return static_cast<int>(GetLastError());
    if (stop != nullptr)
        WaitForSingleObject(stop, seconds * 1000);
    else
        Sleep(seconds * 1000);
    return 0;
}
