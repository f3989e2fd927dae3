#pragma once

// Fault steering for tests, read from a machine-wide key the tests own (the
// service does not run as the test user on Windows). Without the key the
// agent works normally. See README.md.
#include "TestSteeringNames.h"

#include <windows.h>

#include <optional>

namespace QvAgent
{
struct CTestSteering
{
    // "Result<type>": report this code for tasks of that type, without any
    // Windows Installer work.
    std::optional<DWORD> forcedCode;
    // "DelayMs": wait this long before a task's work (a stop ends the wait).
    DWORD delayMs = 0;
    // "NeverAnswer": load the task and never write its result.
    bool neverAnswer = false;
    // "NoDocumentElement": write a result text that has no document element.
    bool noDocumentElement = false;
    // "ExitMidTask": end the service process once it has taken up a task.
    bool exitMidTask = false;
};

// The steering for a task of that type as the key says now.
CTestSteering ReadTestSteering(int taskType);
} // namespace QvAgent
