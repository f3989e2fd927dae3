#include "RuntimeWorker.h"

#include "QvInstError.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace
{
// Runs a body through the hand-over on a thread of its own, as the worker
// does, and waits for it as the main thread does.
template <typename Body> void RunOnWorker(Body body)
{
    std::promise<void> promise;
    std::future<void> future = promise.get_future();
    QvBase::CWin32Event event(true);
    ASSERT_EQ(0u, event.Create(false, nullptr, nullptr));
    QvBase::CTracePrefix trace(nullptr, nullptr, 0);
    std::thread worker(HandOverOutcome, &promise, &event, std::ref(trace),
                       std::function<void()>(body));
    EXPECT_TRUE(PumpMessagesUntilSignalled(event.GetHandle()));
    worker.join();
    future.get();
}

TEST(RuntimeWorker, OutcomesCrossToTheWaitingThread)
{
    EXPECT_NO_THROW(RunOnWorker([] {}));
    try
    {
        RunOnWorker([] { throw CQvInstError(L"w.cpp", 7, L"_InstallRuntime", 129); });
        ADD_FAILURE() << "nothing raised";
    }
    catch (CQvInstError& e)
    {
        EXPECT_EQ(129u, e.Code());
        EXPECT_EQ(L"w.cpp", e.SourceFile());
    }
    try
    {
        RunOnWorker([] { QV_THROW(1603, L"InstallRuntime"); });
        ADD_FAILURE() << "nothing raised";
    }
    catch (QvBase::CQvError& e)
    {
        EXPECT_EQ(1603u, e.Code());
    }
    // Whatever the worker did not expect still reaches the waiting thread,
    // which must not wait for ever.
    EXPECT_THROW(RunOnWorker([] { throw std::runtime_error("unexpected"); }), std::runtime_error);
}

LRESULT CALLBACK AnsiWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_USER + 7)
        *reinterpret_cast<bool*>(lParam) = true;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(RuntimeWorker, PumpServesAnsiWindowsUntilSignalled)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = AnsiWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = "QvTestAnsiWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("QvTestAnsiWindow", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(IsWindowUnicode(window));

    bool served = false;
    PostMessageA(window, WM_USER + 7, 0, reinterpret_cast<LPARAM>(&served));
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread signaller(
        [event]
        {
            Sleep(200);
            SetEvent(event);
        });
    EXPECT_TRUE(PumpMessagesUntilSignalled(event));
    signaller.join();
    EXPECT_TRUE(served);
    CloseHandle(event);
    DestroyWindow(window);

    EXPECT_FALSE(PumpMessagesUntilSignalled(nullptr));
}
} // namespace
