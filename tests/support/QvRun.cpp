// Runs a Windows program and prints its full 32-bit exit code, which Wine
// hands to the Linux shell only as the low 8 bits.
//   QvRun.exe PROGRAM [ARGUMENTS...]
// Prints "exit code: 0x%08X (%u)" and exits with the program's code.
#include "ProcessRunner.h"

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
    {
        std::fputs("usage: QvRun.exe PROGRAM [ARGUMENTS...]\n", stderr);
        return 2;
    }
    std::wstring arguments;
    for (int i = 2; i < argc; ++i)
    {
        if (!arguments.empty())
            arguments += L' ';
        // Arguments with blanks keep their quotes as the program will see them.
        const bool quote = std::wcschr(argv[i], L' ') != nullptr && argv[i][0] != L'"';
        arguments += quote ? L"\"" + std::wstring(argv[i]) + L"\"" : std::wstring(argv[i]);
    }
    const QvTest::ProcessResult r = QvTest::RunProcess(argv[1], arguments, INFINITE);
    if (!r.started)
    {
        std::fprintf(stderr, "cannot start the program: error %lu\n", r.startError);
        return 1;
    }
    std::printf("exit code: 0x%08lX (%lu)\n", r.exitCode, r.exitCode);
    return static_cast<int>(r.exitCode);
}
