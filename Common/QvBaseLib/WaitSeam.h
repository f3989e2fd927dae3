#pragma once

// A pause that a test can replace through a named setter, such as the pause
// between two looks of a poll: Sleep unless replaced.
#include <windows.h>

#include <utility>

namespace QvBase
{
using WaitFunction = void (*)(DWORD milliseconds);

class CWaitSeam
{
public:
    void operator()(DWORD milliseconds) const { wait(milliseconds); }
    // Puts the replacement in; nullptr puts Sleep back. Returns the one that
    // was in.
    WaitFunction Replace(WaitFunction replacement)
    {
        return std::exchange(wait, replacement != nullptr ? replacement : &SleepFor);
    }

private:
    static void SleepFor(DWORD milliseconds) { Sleep(milliseconds); }

    WaitFunction wait = &SleepFor;
};
} // namespace QvBase
