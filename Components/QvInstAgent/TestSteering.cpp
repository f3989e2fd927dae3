#include "TestSteering.h"

#include "RegistryKey.h"

#include <string>

namespace QvAgent
{
CTestSteering ReadTestSteering(int taskType)
{
    CTestSteering steering;
    QvBase::CRegistryKey key(QvBase::CRegistryKey::RootLocalMachine);
    if (key.OpenSub(kTestSteeringKey, /*create=*/false, KEY_READ) != ERROR_SUCCESS)
        return steering;
    DWORD value = 0;
    if (key.GetDword((L"Result" + std::to_wstring(taskType)).c_str(), value, 0) == ERROR_SUCCESS)
        steering.forcedCode = value;
    key.GetDword(L"DelayMs", steering.delayMs, 0);
    key.GetDword(L"NeverAnswer", value, 0);
    steering.neverAnswer = value != 0;
    key.GetDword(L"NoDocumentElement", value, 0);
    steering.noDocumentElement = value != 0;
    key.GetDword(L"ExitMidTask", value, 0);
    steering.exitMidTask = value != 0;
    return steering;
}
} // namespace QvAgent
