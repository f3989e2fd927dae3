#pragma once

// Everything the sample engine can learn from its install context, read only
// through the context's operations.
#include "InstallContext.h"
#include "ReportFile.h"

CReportLines DescribeContext(CInstallContext& context);
