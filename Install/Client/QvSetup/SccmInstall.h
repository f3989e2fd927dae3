#pragma once

// The SCCM mode's front: picks the action of the command line, runs the job
// that carries it out and returns the install agent's result.

#include "InstallTaskResult.h"

#include <memory>
#include <string>

class CCmdLineParser;
class CSccmJob;

class CSccmInstall
{
public:
    // Raises CQvError when the program's path cannot be obtained.
    explicit CSccmInstall(const wchar_t* commandLine);
    CSccmInstall(const CSccmInstall&) = delete;
    CSccmInstall& operator=(const CSccmInstall&) = delete;
    ~CSccmInstall();

    // Raises 87 when the command line names no action; errors of the job
    // pass through, and a failed Prepare or Run skips Finalize.
    CInstallTaskResult Do();

private:
    std::wstring modulePath;
    std::wstring commandLine;
    int action = 0;
    std::shared_ptr<CCmdLineParser> parser;
    std::shared_ptr<CSccmJob> job;
};

// The action of the first action option present, in the table's order, or 0
// when there is none.
int SelectSccmAction(const CCmdLineParser& parser);

class CFuncTraceContext;

// The SCCM mode as the entry point runs it, reporting through the entry
// point's trace context: COM failures become CQvError, the front runs the
// command line's action, and the exit code is the agent's result code or the
// code of the error raised on the way.
unsigned int RunSccmMode(CFuncTraceContext& trace, const wchar_t* commandLine);
