#include "SilentModeChecks.h"

#include "FuncTraceContext.h"
#include "ProductQueries.h"
#include "TextUtils.h"

#include <windows.h>

bool SilentModeChecks()
{
    QV_SETUP_FUNCTION(L"SilentModeChecks", L"QvSetup");
    const ProductVersion installed = GetQvsVersion();
    const long long packed = installed.Packed();
    // 0 means no version is known: nothing installed stops the run.
    if (packed == 0 || packed <= GetSetupVersion().Packed())
        return true;
    const std::wstring message =
        QvBase::FormatText(L"Version %s installed\n", installed.Text().c_str());
    OutputDebugStringW(message.c_str());
    trace.Trace(2, L"%s", message.c_str());
    return false;
}
