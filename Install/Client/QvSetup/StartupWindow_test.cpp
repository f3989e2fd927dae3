#include "StartupWindow.h"

#include "Locale.h"
#include "ThreadLanguage.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
// The test executable carries the same dialog, strings and icon as the program.
HINSTANCE OwnModule()
{
    return GetModuleHandleW(nullptr);
}

// Owns a window made by the test; the program itself never destroys it.
class CTestWindow
{
public:
    explicit CTestWindow(HWND window) : window(window) {}
    ~CTestWindow()
    {
        if (window != nullptr)
            DestroyWindow(window);
    }
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;
    HWND get() const { return window; }

private:
    HWND window;
};

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring StaticTextOf(HWND window)
{
    return TextOf(GetDlgItem(window, -1));
}

void DispatchPendingMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

TEST(StartupWindow, IsVisibleCaptionedPopupWithoutCloseButton)
{
    CTestWindow window(CreateStartupWindow(OwnModule()));
    ASSERT_NE(nullptr, window.get()) << "error " << GetLastError();
    EXPECT_TRUE(IsWindowVisible(window.get()));
    EXPECT_EQ(L"Quorvel", TextOf(window.get()));
    EXPECT_EQ(nullptr, GetWindow(window.get(), GW_OWNER));
    wchar_t className[64] = {};
    GetClassNameW(window.get(), className, 64);
    EXPECT_STREQ(L"#32770", className);
    const LONG style = GetWindowLongW(window.get(), GWL_STYLE);
    EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_CAPTION), style & (WS_POPUP | WS_CAPTION));
    EXPECT_EQ(0, style & WS_SYSMENU);
}

TEST(StartupWindow, IsCentredOnTheDesktop)
{
    CTestWindow window(CreateStartupWindow(OwnModule()));
    ASSERT_NE(nullptr, window.get());
    RECT desktop{};
    RECT own{};
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
    ASSERT_TRUE(GetWindowRect(window.get(), &own));
    const int w = own.right - own.left;
    const int h = own.bottom - own.top;
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);
    EXPECT_EQ(desktop.left + (desktop.right - desktop.left - w) / 2, own.left);
    EXPECT_EQ(desktop.top + (desktop.bottom - desktop.top - h) / 2, own.top);
}

TEST(StartupWindow, CarriesTheProgramIconBigAndSmall)
{
    CTestWindow window(CreateStartupWindow(OwnModule()));
    ASSERT_NE(nullptr, window.get());
    HICON icon = LoadIconW(OwnModule(), MAKEINTRESOURCEW(IDI_QVSETUP));
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(icon, reinterpret_cast<HICON>(SendMessageW(window.get(), WM_GETICON, ICON_BIG, 0)));
    EXPECT_EQ(icon, reinterpret_cast<HICON>(SendMessageW(window.get(), WM_GETICON, ICON_SMALL, 0)));
}

// Message 1025 is also DM_SETDEFID to the dialog manager, which answers it
// itself after the dialog procedure: only the text matters here.
TEST(StartupWindow, SetTextMessageReplacesTheWholeText)
{
    CTestWindow window(CreateStartupWindow(OwnModule()));
    ASSERT_NE(nullptr, window.get());
    const wchar_t* text = L"x";
    SendMessageW(window.get(), kStartupSetTextMessage, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(L"x", StaticTextOf(window.get()));
    EXPECT_EQ(L"Quorvel", TextOf(window.get())); // the caption is left alone
}

// Neither a close request nor Escape (IDCANCEL) ends the window: only the
// process's end does.
TEST(StartupWindow, IgnoresClosingRequests)
{
    CTestWindow window(CreateStartupWindow(OwnModule()));
    ASSERT_NE(nullptr, window.get());
    SendMessageW(window.get(), WM_CLOSE, 0, 0);
    SendMessageW(window.get(), WM_COMMAND, IDCANCEL, 0);
    DispatchPendingMessages();
    EXPECT_TRUE(IsWindow(window.get()));
    EXPECT_TRUE(IsWindowVisible(window.get()));
}

TEST(StartupWindow, DialogProcedureReturnsFalseForEveryMessage)
{
    CTestWindow window(CreateStartupWindow(OwnModule()));
    ASSERT_NE(nullptr, window.get());
    const wchar_t* text = L"t";
    const struct
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } messages[] = {
        {WM_INITDIALOG, 0, 0}, {kStartupSetTextMessage, 0, reinterpret_cast<LPARAM>(text)},
        {WM_CLOSE, 0, 0},      {WM_COMMAND, IDCANCEL, 0},
        {WM_TIMER, 1, 0},
    };
    for (const auto& m : messages)
        EXPECT_EQ(FALSE, StartupDialogProc(window.get(), m.message, m.wParam, m.lParam))
            << "message " << m.message;
}

TEST(StartupWindow, ModuleWithoutTheDialogGivesNull)
{
    EXPECT_EQ(nullptr, CreateStartupWindow(GetModuleHandleW(L"kernel32.dll")));
}

struct LanguageCase
{
    const wchar_t* localeName;
    const wchar_t* initialText;
    const wchar_t* initializingText;
};

const LanguageCase kLanguages[] = {
    {L"en-US", L"The program is preparing for its first start. Please wait.",
     L"Initializing installation..."},
    {L"ru-RU", L"Подготовка программы установки к первому запуску. Пожалуйста, подождите.",
     L"Инициализация компонентов программы установки..."},
    {L"es-ES", L"El programa se prepara para su primero inicio. Espere por favor.",
     L"Inicializando los componentes para instalar..."},
};

class StartupWindowLanguage : public ::testing::TestWithParam<LanguageCase>
{
protected:
    QvTest::CThreadLanguageGuard guard;
};

TEST_P(StartupWindowLanguage, TextsFollowTheThreadLanguage)
{
    SetLocale(GetParam().localeName);
    CTestWindow window(CreateStartupWindow(OwnModule()));
    ASSERT_NE(nullptr, window.get());
    EXPECT_EQ(GetParam().initialText, StaticTextOf(window.get()));
    EXPECT_EQ(L"Quorvel", TextOf(window.get()));

    ShowInitializingText(window.get(), OwnModule());
    EXPECT_EQ(GetParam().initializingText, StaticTextOf(window.get()));
}

INSTANTIATE_TEST_SUITE_P(Languages, StartupWindowLanguage, ::testing::ValuesIn(kLanguages));
} // namespace
