#pragma once

// One task carried out in a task process of its own (see README.md): load
// it, do its Windows Installer work, write its result. The process takes the
// machine-wide work lock first, so that tasks never overlap, and skips a
// task that another process has completed meanwhile.
#include "AgentTask.h"
#include "ResultDocument.h"

#include <string>

namespace QvAgent
{
constexpr const wchar_t* kWorkLockName = L"Global\\QvInstAgentTaskWork";

// The process's exit code: the result code written, or the error that kept
// the task from a result.
unsigned int RunTaskProcess(const std::wstring& id, int type, bool registryBacked);

// The Windows Installer work of a loaded task.
CTaskOutcome DoTaskWork(int type, const CTaskParams& params);
} // namespace QvAgent
