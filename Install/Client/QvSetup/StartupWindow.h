#pragma once

#include <windows.h>

// The small captioned window of an interactive run: one line of text telling
// the user that setup is busy. It owns the run's message boxes.

// Replaces the window's text: wParam 0, lParam a zero-terminated wide string.
// Sent, so the text is set when SendMessageW returns.
constexpr UINT kStartupSetTextMessage = WM_USER + 1;

// Creates the window modeless from dialog 254 of "instance", captioned
// "Quorvel", shown and painted. Null when it cannot be created.
HWND CreateStartupWindow(HINSTANCE instance);

// Shows string 104 ("Initializing installation..." in the thread's UI
// language) in the window: the engine takes over next.
void ShowInitializingText(HWND window, HINSTANCE instance);

// Centres the window on the desktop and gives it the program icon when it is
// created; sets its text on kStartupSetTextMessage. Returns FALSE for every
// message, so that the dialog manager's default handling always applies.
INT_PTR CALLBACK StartupDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
