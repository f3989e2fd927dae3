#include "StartupWindow.h"

#include "BuildInfo.h"
#include "resource.h"

namespace
{
constexpr int kStaticTextId = -1;
constexpr int kMaxTextLength = 512;

// Centres the window on its owner, or on the desktop when it has none, and
// brings it to the top. Integer halves truncate towards zero, so an odd spare
// pixel goes to the right and bottom.
void CentreOnOwner(HWND window)
{
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner == nullptr)
        owner = GetDesktopWindow();
    RECT ownerRect{};
    RECT ownRect{};
    if (!GetWindowRect(owner, &ownerRect) || !GetWindowRect(window, &ownRect))
        return; // a window that cannot be placed stays where the template put it
    const int width = ownRect.right - ownRect.left;
    const int height = ownRect.bottom - ownRect.top;
    const int x = ownerRect.left + (ownerRect.right - ownerRect.left - width) / 2;
    const int y = ownerRect.top + (ownerRect.bottom - ownerRect.top - height) / 2;
    SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

// The icon comes from the module whose dialog template made the window.
void SetProgramIcon(HWND window)
{
    const auto module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    // Icons from LoadIconW are shared: never destroyed, they live as long as the module.
    HICON icon = LoadIconW(module, MAKEINTRESOURCEW(IDI_QVSETUP));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}
} // namespace

INT_PTR CALLBACK StartupDialogProc(HWND window, UINT message, WPARAM, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG:
        CentreOnOwner(window);
        SetProgramIcon(window);
        break;
    case kStartupSetTextMessage:
        SetWindowTextW(GetDlgItem(window, kStaticTextId), reinterpret_cast<const wchar_t*>(lParam));
        break;
    default:
        break;
    }
    return FALSE;
}

HWND CreateStartupWindow(HINSTANCE instance)
{
    HWND window =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_STARTUP), nullptr, StartupDialogProc, 0);
    if (window == nullptr)
        return nullptr;
    SetWindowTextW(window, BuildInfo::kTitle);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return window;
}

void ShowInitializingText(HWND window, HINSTANCE instance)
{
    wchar_t text[kMaxTextLength] = {};
    LoadStringW(instance, IDS_INITIALIZING, text, kMaxTextLength);
    SendMessageW(window, kStartupSetTextMessage, 0, reinterpret_cast<LPARAM>(text));
}
