#include "RuntimeWorker.h"

#include "BuildInfo.h"
#include "FuncTraceContext.h"
#include "Locale.h"
#include "QvInstError.h"
#include "Runtime.h"
#include "resource.h"
#include "SystemSupport.h"

void HandOverOutcome(std::promise<void>* promise, QvBase::CWin32Event* event,
                     QvBase::CTracePrefix& trace, const std::function<void()>& body)
{
    // The main thread waits for the promise and the event in every case:
    // whatever the body raises goes over as it is, to be reported there.
    try
    {
        try
        {
            body();
        }
        catch (CQvInstError& error)
        {
            trace.Trace(4, L"%s [%s:%d]", error.Description(), error.SourceFile().c_str(),
                        error.Line());
            throw;
        }
        QV_CATCH_TRACE_RETHROW(trace)
        promise->set_value();
    }
    catch (...)
    {
        promise->set_exception(std::current_exception());
    }
    event->Set();
}

void _InstallRuntime(std::promise<void>* promise, std::wstring directory,
                     QvBase::CWin32Event* event)
{
    QV_SETUP_FUNCTION(L"_InstallRuntime", L"QvSetup");
    // A thread's language is its own: the worker's texts (IDS_SYSTEM_NOT_SUPPORTED) come in
    // the build's language like the rest of the run's.
    SetLocale(BuildInfo::kLocale);
    event->Reset();
    HandOverOutcome(promise, event, trace,
                    [&directory]
                    {
                        if (!IsSystemSupported())
                            throw CQvInstError(QV_WFILE, __LINE__, qvFunctionName,
                                               IDS_SYSTEM_NOT_SUPPORTED);
                        InstallRuntime(directory);
                    });
}

bool PumpMessagesUntilSignalled(HANDLE handle)
{
    for (;;)
    {
        const DWORD result = MsgWaitForMultipleObjectsEx(/*count=*/1, &handle, INFINITE,
                                                         QS_ALLINPUT, MWMO_INPUTAVAILABLE);
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
    event.Create(/*initialState=*/false, /*eventName=*/nullptr, /*security=*/nullptr);
    thread = std::thread(_InstallRuntime, &promise, localDir, &event);
    thread.detach();
    PumpMessagesUntilSignalled(event.GetHandle());
    future.get();
}
