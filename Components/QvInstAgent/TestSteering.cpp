#include "TestSteering.h"

#include "RegistryKey.h"

#include <string>

namespace QvAgent
{
CTestSteering ReadTestSteering(int taskType)
{
    CTestSteering steering;
    QvBase::CRegistryKey key(QvBase::CRegistryKey::RootLocalMachine);
    using namespace QvAgentSteering;
    if (key.OpenSub(kKey, /*create=*/false, KEY_READ) != ERROR_SUCCESS)
        return steering;
    DWORD value = 0;
    if (key.GetDword((kResultPrefix + std::to_wstring(taskType)).c_str(), value, 0) ==
        ERROR_SUCCESS)
        steering.forcedCode = value;
    key.GetDword(kDelayMs, steering.delayMs, 0);
    key.GetDword(kNeverAnswer, value, 0);
    steering.neverAnswer = value != 0;
    key.GetDword(kNoDocumentElement, value, 0);
    steering.noDocumentElement = value != 0;
    key.GetDword(kExitMidTask, value, 0);
    steering.exitMidTask = value != 0;
    return steering;
}
} // namespace QvAgent
