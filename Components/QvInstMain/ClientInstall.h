#pragma once

// The sample engine's real work: it installs the client product's package
// QvClient.msi when the distribution carries one beside the setup program
// (where this engine is loaded from) or under the response file's source
// (silent when the context is, INSTALLDIR from the response file's
// "Installdir", the run's locale).
#include "InstallContext.h"
#include "ReportFile.h"

#include <string>

struct CClientInstall
{
    std::wstring package; // empty: the distribution carries none
    unsigned int code = 0;
    // Windows Installer's success, also when a restart is still needed.
    bool Succeeded() const;
};

CClientInstall InstallClientPackage(CInstallContext& context);
void AddToReport(const CClientInstall& install, CReportLines& lines);
