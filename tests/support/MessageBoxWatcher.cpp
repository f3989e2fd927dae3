#include "MessageBoxWatcher.h"

namespace QvTest
{
namespace
{
// A message box's text is the static with id 0xFFFF; the start-up dialog,
// which has the same class and caption, has no such control.
constexpr int kMessageTextId = 0xFFFF;
constexpr DWORD kPollMs = 50;
} // namespace

CMessageBoxWatcher::CMessageBoxWatcher(const wchar_t* title)
    : title(title), thread([this] { Watch(); })
{
}

CMessageBoxWatcher::~CMessageBoxWatcher()
{
    stop = true;
    thread.join();
}

std::wstring CMessageBoxWatcher::LastText() const
{
    std::lock_guard<std::mutex> guard(textLock);
    return lastText;
}

void CMessageBoxWatcher::Watch()
{
    while (!stop)
    {
        if (!DismissOne())
            Sleep(kPollMs);
    }
}

bool CMessageBoxWatcher::DismissOne()
{
    for (HWND box = FindWindowExW(nullptr, nullptr, L"#32770", title.c_str()); box != nullptr;
         box = FindWindowExW(nullptr, box, L"#32770", title.c_str()))
    {
        HWND text = GetDlgItem(box, kMessageTextId);
        if (text == nullptr)
            continue;
        wchar_t buffer[1024] = {};
        GetWindowTextW(text, buffer, 1024);
        {
            std::lock_guard<std::mutex> guard(textLock);
            lastText = buffer;
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ++count;
        // The box takes a moment to go; do not count it twice.
        for (int i = 0; i < 100 && IsWindow(box); ++i)
            Sleep(10);
        return true;
    }
    return false;
}
} // namespace QvTest
