// Child process of the system-query tests: Wine can show it another Windows
// version than the test itself. The exit code is the operating-system class
// times 10, plus 1 when the system is supported.
#include "SystemSupport.h"

int wmain()
{
    return GetOperatingSystemClass(GetSystemVersion()) * 10 + (IsSystemSupported() ? 1 : 0);
}
