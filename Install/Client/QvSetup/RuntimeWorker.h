#pragma once

#include <windows.h>

#include <functional>
#include <future>
#include <string>
#include <thread>

#include "TracePrefix.h"
#include "Win32Objects.h"

// The worker's function: installs the runtimes from the directory's engine
// module and hands the outcome over through the promise, then sets the event.
void _InstallRuntime(std::promise<void>* promise, std::wstring directory,
                     QvBase::CWin32Event* event);

// Runs the body and hands its outcome over: the promise gets its value or its
// error (traced at level 4 when it is a CQvError), then the event is set.
void HandOverOutcome(std::promise<void>* promise, QvBase::CWin32Event* event,
                     QvBase::CTracePrefix& trace, const std::function<void()>& body);

// Waits for the handle on the main thread while dispatching its window
// messages; true when the handle is signalled, false when the wait fails.
bool PumpMessagesUntilSignalled(HANDLE handle);

// Installs the runtimes on a worker thread while the calling thread keeps its
// windows alive, then raises the worker's error, if any, on the calling
// thread. Promise and event live as long as this object, which outlives the
// worker's last use of them.
class CRuntimeWorker
{
public:
    CRuntimeWorker();
    void Run(const std::wstring& localDir);

private:
    std::promise<void> promise;
    std::future<void> future;
    QvBase::CWin32Event event{/*manualReset=*/true};
    std::thread thread;
};
