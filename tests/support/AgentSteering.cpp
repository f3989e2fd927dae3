#include "AgentSteering.h"

#include "TestSteeringNames.h"

#include <string>

namespace QvTest
{
namespace
{
void Set(const std::wstring& name, DWORD value)
{
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, QvAgentSteering::kKey, name.c_str(), REG_DWORD, &value,
                    sizeof value);
}

void Unset(const wchar_t* name)
{
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, QvAgentSteering::kKey, name);
}
} // namespace

CAgentSteering::CAgentSteering()
{
    Clear();
}

CAgentSteering::~CAgentSteering()
{
    Clear();
}

void CAgentSteering::ForceResult(int taskType, DWORD code) const
{
    Set(QvAgentSteering::kResultPrefix + std::to_wstring(taskType), code);
}

void CAgentSteering::DelayEachTask(DWORD milliseconds) const
{
    if (milliseconds == 0)
        Unset(QvAgentSteering::kDelayMs);
    else
        Set(QvAgentSteering::kDelayMs, milliseconds);
}

void CAgentSteering::NeverAnswer() const
{
    Set(QvAgentSteering::kNeverAnswer, 1);
}

void CAgentSteering::AnswerWithoutDocumentElement() const
{
    Set(QvAgentSteering::kNoDocumentElement, 1);
}

void CAgentSteering::EndServiceMidTask() const
{
    Set(QvAgentSteering::kExitMidTask, 1);
}

void CAgentSteering::StopEndingMidTask() const
{
    Unset(QvAgentSteering::kExitMidTask);
}

void CAgentSteering::Clear()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, QvAgentSteering::kKey);
}
} // namespace QvTest
