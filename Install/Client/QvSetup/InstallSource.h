#pragma once

#include <windows.h>

#include <string>

#include "buffer.h"

class CCmdLineParser;
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

// The command line of the local copy started after a copy from a share:
// "<exe> /source:"<share>" " and then " /script", " /gp", " /jcsf" for each
// present in this run's options. Nothing else is passed on.
std::wstring BuildRelaunchCommandLine(const std::wstring& localExe, const std::wstring& shareDir,
                                      const CCmdLineParser& parser);

// Settles localDir and sourceDir. A run from a network share copies itself to
// the temporary directory, starts the copy and returns false with the exit
// code of the run: the copy's code with "gp", else 0. Otherwise true.
bool SettleInstallSource(const CCmdLineParser& parser, QvBase::CTracePrefix& trace,
                         CInstallSource& source, DWORD& exitCode);
