#pragma once

// Interactive setup runs that fail wait in a message box: the watcher finds
// the box from a thread of the test, keeps its text and dismisses it.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace QvTest
{
class CMessageBoxWatcher
{
public:
    explicit CMessageBoxWatcher(const wchar_t* title = L"Quorvel");
    ~CMessageBoxWatcher();
    CMessageBoxWatcher(const CMessageBoxWatcher&) = delete;
    CMessageBoxWatcher& operator=(const CMessageBoxWatcher&) = delete;

    // How many boxes were dismissed, and the text of the last one.
    int Count() const { return count; }
    std::wstring LastText() const;

private:
    void Watch();
    bool DismissOne();

    std::wstring title;
    std::atomic<bool> stop{false};
    std::atomic<int> count{0};
    mutable std::mutex textLock;
    std::wstring lastText;
    std::thread thread;
};
} // namespace QvTest
