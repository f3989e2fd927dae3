#pragma once

#include <windows.h>

#include <string>

#include "buffer.h"

struct CSetupOptions;
namespace QvBase
{
class CTracePrefix;
}

// Where this run loads the engine from and what it installs from.
struct CInstallSource
{
    std::wstring localDir;
    // 520 characters: at most 519 and the terminating zero.
    QvBase::CBuffer<wchar_t> sourceDir{520};
};

// What settling the source decided: the run goes on from `source`, or it has
// started its local copy and ends with `exitCode` (the copy's code with "gp",
// else 0).
struct CSourceSettlement
{
    bool relaunched = false;
    DWORD exitCode = ERROR_SUCCESS;
    CInstallSource source;
};

// The command line of the local copy started after a copy from a share:
// "<exe> /source:"<share>" " and then " /script", " /gp", " /jcsf" for each
// present in this run's options. Nothing else is passed on.
std::wstring BuildRelaunchCommandLine(const std::wstring& localExe, const std::wstring& shareDir,
                                      const CSetupOptions& options);

// Settles localDir and sourceDir; a run from a network share copies itself to
// the temporary directory and starts the copy instead.
CSourceSettlement SettleInstallSource(const CSetupOptions& options, QvBase::CTracePrefix& trace);
