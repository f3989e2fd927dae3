#include "RuntimeWorker.h"

#include "BuildInfo.h"
#include "FuncTraceContext.h"
#include "Locale.h"
#include "QvInstError.h"
#include "Runtime.h"
#include "SystemSupport.h"

void HandOverOutcome(std::promise<void>* promise, QvBase::CWin32Event* event,
                     QvBase::CTracePrefix& trace, const std::function<void()>& body)
{
    try
    {
        body();
        promise->set_value();
    }
    catch (CQvInstError& error)
    {
        trace.Trace(4, L"%s [%s:%d]", error.Description(), error.SourceFile().c_str(),
                    error.Line());
        promise->set_exception(std::make_exception_ptr(error));
    }
    catch (QvBase::CQvError& error)
    {
        trace.Trace(4, L"%s", error.Dump());
        promise->set_exception(std::make_exception_ptr(error));
    }
    catch (...)
    {
        // The main thread waits for the promise and the event in every case:
        // anything unexpected goes over as it is, to be reported there.
        promise->set_exception(std::current_exception());
    }
    event->Set();
}

void _InstallRuntime(std::promise<void>* promise, std::wstring directory,
                     QvBase::CWin32Event* event)
{
    CFuncTraceContext trace(L"_InstallRuntime", L"QvSetup");
    // A thread's language is its own: the worker's texts (string 129) come in
    // the build's language like the rest of the run's.
    SetLocale(BuildInfo::kLocale);
    event->Reset();
    HandOverOutcome(promise, event, trace,
                    [&directory]
                    {
                        if (!IsSystemSupported())
                            throw CQvInstError(QV_WFILE, __LINE__, L"_InstallRuntime", 129);
                        InstallRuntime(directory);
                    });
}

bool PumpMessagesUntilSignalled(HANDLE handle)
{
    for (;;)
    {
        const DWORD result =
            MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0)
            return true;
        if (result != WAIT_OBJECT_0 + 1)
            return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE))
        {
            const bool unicode = IsWindowUnicode(message.hwnd) != FALSE;
            const BOOL got = unicode ? GetMessageW(&message, nullptr, 0, 0)
                                     : GetMessageA(&message, nullptr, 0, 0);
            if (got > 0)
            {
                TranslateMessage(&message);
                if (unicode)
                    DispatchMessageW(&message);
                else
                    DispatchMessageA(&message);
            }
            if (WaitForSingleObject(handle, 0) == WAIT_OBJECT_0)
                return true;
        }
    }
}

CRuntimeWorker::CRuntimeWorker() : future(promise.get_future()) {}

void CRuntimeWorker::Run(const std::wstring& localDir)
{
    event.Create(false, nullptr, nullptr);
    thread = std::thread(_InstallRuntime, &promise, localDir, &event);
    thread.detach();
    PumpMessagesUntilSignalled(event.GetHandle());
    future.get();
}
