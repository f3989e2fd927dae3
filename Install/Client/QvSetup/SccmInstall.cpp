#include "SccmInstall.h"

#include "CmdLineParser.h"
#include "ComErrorTranslator.h"
#include "FuncTraceContext.h"
#include "InstallTask.h"
#include "SccmActions.h"
#include "SccmJob.h"
#include "SelfProtection.h"

#include <optional>

int SelectSccmAction(const CCmdLineParser& parser)
{
    for (const CSccmAction& row : SccmActions())
    {
        if (parser.HasOption(row.option))
            return row.action;
    }
    return 0;
}

CSccmInstall::CSccmInstall(const wchar_t* commandLine)
    : commandLine(commandLine != nullptr ? commandLine : L"")
{
    QV_SETUP_FUNCTION(L"CSccmInstall::CSccmInstall", L"sccm");
    parser = std::make_shared<CCmdLineParser>(this->commandLine.c_str(), /*caseSensitive=*/0);
    modulePath = SccmJobRules::ProgramPath(qvFunctionName);
    trace.Trace(2, L"%s", modulePath.c_str());
    modulePath = SccmJobRules::LowerCase(modulePath);
}

CSccmInstall::~CSccmInstall() = default;

CInstallTaskResult CSccmInstall::Do()
{
    QV_SETUP_FUNCTION(L"CSccmInstall::Do", L"sccm");
    action = SelectSccmAction(*parser);
    if (action == 0)
        QV_RAISE(ERROR_INVALID_PARAMETER);
    job = FindSccmAction(action)->makeJob(parser);

    // The installation changes the product's own files, keys and services:
    // its self-protection steps aside until the job is done, on every way out.
    std::optional<CSelfProtectionServiceMode> serviceMode;
    if (job->IsActionAllowed())
        serviceMode.emplace();
    job->Prepare();
    const CInstallTaskResult result = job->Run();
    job->Finalize();
    return result;
}

unsigned int RunSccmMode(CFuncTraceContext& trace, const wchar_t* commandLine)
{
    QvBase::CComErrorTranslator::Install();
    try
    {
        CSccmInstall front(commandLine);
        const CInstallTaskResult result = front.Do();
        trace.Trace(2, L"Task %d finished with result %d (%s)", result.op, result.code,
                    result.description.c_str());
        return static_cast<unsigned int>(result.code);
    }
    catch (QvBase::CQvError& error)
    {
        trace.Trace(4, L"%s", error.Dump());
        return error.Code();
    }
}
