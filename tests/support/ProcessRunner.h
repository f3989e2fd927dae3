#pragma once

#include "UniqueResource.h"

#include <windows.h>

#include <string>
#include <vector>

namespace QvTest
{
// Directory of the running test executable, with a trailing backslash. Every
// module of the build lies there.
std::wstring BinDir();

struct MessageBoxRecord
{
    std::wstring text;
    std::wstring title;
    // Caption of the box's owner window; empty for a box without owner.
    std::wstring owner;
};

struct ProcessResult
{
    bool started = false;
    bool finished = false;
    DWORD exitCode = 0; // the full 32-bit code
    DWORD startError = 0;
    // Every message box the process showed, in order; each was answered with
    // OK so that the run could go on.
    std::vector<MessageBoxRecord> messageBoxes;
    // Every top-level window of the process seen while it ran, shown or
    // not, as "class: caption", each once.
    std::vector<std::wstring> windows;
};

// Starts "exe" with the argument text (the exe path is quoted in front of
// it); no handle when it cannot be started (startError then says why).
QvBase::CUniqueHandle StartProcess(const std::wstring& exe, const std::wstring& arguments,
                                   const wchar_t* workingDir = nullptr,
                                   DWORD* startError = nullptr);
// Waits for a started process as RunProcess does, reading and dismissing its
// message boxes; a process still running at the time-out is terminated.
ProcessResult AwaitProcess(HANDLE process, DWORD timeoutMs);
// Starts "exe" with the argument text (the exe path is quoted in front of it),
// waits up to timeoutMs and returns its exit code. Message boxes of the
// process are read and dismissed while it runs. A process still running at
// the time-out is terminated and reported as not finished.
ProcessResult RunProcess(const std::wstring& exe, const std::wstring& arguments,
                         DWORD timeoutMs = 60000, const wchar_t* workingDir = nullptr);
// Waits until no process of that executable name runs any more (a program
// that started another and did not wait for it); false at the time-out.
bool WaitForProcessesToEnd(const wchar_t* exeName, DWORD timeoutMs);
// The image paths of the processes that run from somewhere in that folder.
std::vector<std::wstring> ProcessesRunningFrom(const std::wstring& folder);
// Terminates every process of that executable name but this one, waiting a
// little for each: what a run that was cut short left running.
void EndProcesses(const wchar_t* exeName);

// An environment variable of the test process, and so of the programs it
// starts, for the lifetime of the object; then as it was.
class CEnvironmentValue
{
public:
    CEnvironmentValue(const wchar_t* name, const std::wstring& value);
    ~CEnvironmentValue();
    CEnvironmentValue(const CEnvironmentValue&) = delete;
    CEnvironmentValue& operator=(const CEnvironmentValue&) = delete;

private:
    const wchar_t* name;
    std::wstring previous;
    bool had = false;
};

// The temporary folder of the programs the test starts (TMP is read before
// TEMP, so both are set).
class CTempFolderOfRuns
{
public:
    explicit CTempFolderOfRuns(const std::wstring& folder)
        : tmp(L"TMP", folder), temp(L"TEMP", folder)
    {
    }

private:
    CEnvironmentValue tmp;
    CEnvironmentValue temp;
};
} // namespace QvTest
