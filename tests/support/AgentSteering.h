#pragma once

// Test helper: steers the install agent's faults (Components/QvInstAgent
// README.md) through the machine-wide key that it owns: the key goes when the
// helper is made, so that a broken run's steering never reaches a test, and
// again when it ends. Without the key the agent works normally.
#include <windows.h>

namespace QvTest
{
class CAgentSteering
{
public:
    CAgentSteering();
    ~CAgentSteering();
    CAgentSteering(const CAgentSteering&) = delete;
    CAgentSteering& operator=(const CAgentSteering&) = delete;

    // Tasks of that type are answered with the code, without Windows
    // Installer work.
    void ForceResult(int taskType, DWORD code) const;
    // The service waits this long before each task's work (a stop ends the
    // wait); 0 waits no more.
    void DelayEachTask(DWORD milliseconds) const;
    // Tasks are loaded and never answered.
    void NeverAnswer() const;
    // Tasks are answered with a text that has no document element.
    void AnswerWithoutDocumentElement() const;
    // The service process ends abruptly once it has taken up a task; until
    // StopEndingMidTask.
    void EndServiceMidTask() const;
    void StopEndingMidTask() const;
    // Back to normal work: every steering goes.
    static void Clear();
};
} // namespace QvTest
