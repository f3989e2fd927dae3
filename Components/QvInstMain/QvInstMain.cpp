// The sample installer engine: installs the client package when the
// distribution carries it (ClientInstall.h), writes what its install context
// holds to a report file and ends as its environment tells it
// (EngineOptions.h), so that runs of the setup program can be checked.
#include "ClientInstall.h"
#include "ContextReport.h"
#include "EngineOptions.h"
#include "InstallContext.h"
#include "ReportFile.h"
#include "qvexception.h"

#include <memory>
#include <stdexcept>
#include <type_traits>

// Kept in the context for the run; its release, which the setup program makes
// before it unloads this module, is the report's last line.
class CEngineSharedObject
{
public:
    explicit CEngineSharedObject(std::wstring reportPath) : reportPath(std::move(reportPath)) {}
    ~CEngineSharedObject()
    {
        CReportLines lines;
        lines.Add(L"SharedObject", L"released");
        WriteReport(reportPath, lines, true);
    }
    CEngineSharedObject(const CEngineSharedObject&) = delete;
    CEngineSharedObject& operator=(const CEngineSharedObject&) = delete;

private:
    std::wstring reportPath;
};

namespace
{
// Exercises the operations that carry the engine's own data.
void UseMessages(CInstallContext& context)
{
    context.GetMsgWriter()->Write(CMsgData(L"QvInstMain started"));
    context.AddMessage(ContextMessage{1, L"QvInstMain started"});
}

std::wstring Outcome(const CEngineOptions& options)
{
    if (options.raiseStdException)
        return L"raise std";
    if (options.raiseQvError)
        return L"raise " + std::to_wstring(options.raiseCode);
    return L"return " + std::to_wstring(options.returnValue);
}
} // namespace

extern "C" __declspec(dllexport) unsigned int QvInstMain(std::shared_ptr<CInstallContext> context)
{
    const CEngineOptions options = ReadEngineOptions();
    CReportLines lines = DescribeContext(*context);
    UseMessages(*context);
    lines.Add(L"Messages", std::to_wstring(context->GetMessages().size()));
    const CClientInstall install = InstallClientPackage(*context);
    AddToReport(install, lines);
    lines.Add(L"Outcome", Outcome(options));
    WriteReport(options.reportPath, lines, false);
    context->SetSharedObject(std::make_shared<CEngineSharedObject>(options.reportPath));
    // Windows Installer's failure is the run's: its code becomes the exit code.
    if (!install.Succeeded())
        QV_THROW(install.code, L"QvInstMain", install.package.c_str());
    if (options.raiseStdException)
        throw std::runtime_error("QvInstMain was told to fail");
    if (options.raiseQvError)
        QV_THROW(options.raiseCode, L"QvInstMain");
    return options.returnValue;
}

static_assert(std::is_same_v<decltype(&QvInstMain), QvInstMainFunction>,
              "the export keeps the signature the setup program calls");
