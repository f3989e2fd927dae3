#pragma once

#include <windows.h>

#include <string>

struct CSetupOptions;

// The usage text in the thread's UI language, from the string table of
// "instance": a header, then the options, one line each (the option, a tab,
// its description; "\r\n" ends every line). The option names are this program's own constants.
std::wstring UsageText(HINSTANCE instance);

// Gives the usage text and nothing else. Interactively it is a message box
// titled "Quorvel" with the information icon. A script or SCCM run shows
// nothing on screen, since nobody may be there to close a box; it writes the
// text to its standard output when the starter gave it one
// ("QvSetup.exe /script /? > usage.txt").
void GiveUsage(HINSTANCE instance, const CSetupOptions& options);
