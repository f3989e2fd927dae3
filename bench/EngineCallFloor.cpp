// The floor of a script run: the platform work that "QvSetup.exe /script"
// cannot avoid, done straight on the main thread: the runtimes' install
// states through msi.dll (the install library's runtime step, which installs
// nothing when every runtime is present), the engine module loaded from the
// distribution and its export called once with a script-mode context.
// usage: QvEngineCallFloor <folder of the distribution's QvSetup.exe>
#include "BuildInfo.h"
#include "EngineCall.h"
#include "InstallContextVariants.h"
#include "Runtime.h"
#include "qvexception.h"

#include <memory>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return ERROR_INVALID_PARAMETER;
    const std::wstring dir = argv[1];
    try
    {
        InstallRuntime(dir);
        CEngineCall engine((dir + L"\\" + kEngineModuleName).c_str(), kEngineExportName);
        engine.Function()(
            std::make_shared<CSrvInstallContext>(BuildInfo::kLocale, dir, /*writer=*/nullptr));
        return ERROR_SUCCESS;
    }
    catch (QvBase::CQvError& error)
    {
        return static_cast<int>(error.Code());
    }
}
