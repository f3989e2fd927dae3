#pragma once

// What the Service Control Manager holds of the service this process runs
// as. A service that nobody stops runs until the machine shuts down; the
// SCCM install job registers an agent of its own for one job and retires
// its entry at the end (disables it, then deletes it). The agent takes a
// retired entry as its cue to end, so that the entry really goes and no
// LocalSystem process of an old job is left waiting for announcements.
#include <string>

namespace QvAgent
{
// True when the service's entry is disabled, marked for deletion or gone.
// False when that cannot be told (no access to the manager): keep serving.
bool IsServiceEntryRetired(const std::wstring& serviceName);
} // namespace QvAgent
