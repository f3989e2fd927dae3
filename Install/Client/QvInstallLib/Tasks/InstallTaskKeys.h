#pragma once

// The registry transport of install tasks: a key per task below
// kInstallTaskRootKey, as the setup side stores it and the agent completes
// it (InstallTaskNames.h names the values). One home for reading it: the
// agent lists the stored tasks here, the SCCM job reads the result here,
// and so do the tests.

#include "InstallTaskNames.h"
#include "RegistryKey.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The task key's path below HKEY_LOCAL_MACHINE.
std::wstring GetTaskKeyPath(const std::wstring& taskId);

// A task key opened for reading and writing, as both sides open it; not open
// when it is missing, and then every read gives its default.
class CTaskKey : public QvBase::CRegistryKey
{
public:
    explicit CTaskKey(const std::wstring& taskId);
};

// A task key as it stands.
struct CStoredTask
{
    std::wstring id;
    int type = 0;
    // "timecreated" as a number; 0 when it cannot be read.
    ULONGLONG created = 0;
    bool hasTask = false;   // an "xml" value
    bool hasResult = false; // a "Result" value
};

// Every task key, in the order the registry lists them; empty without the
// root key.
std::vector<CStoredTask> ListStoredTasks();
// The task's key as it stands; nothing when there is no such key.
std::optional<CStoredTask> FindStoredTask(const std::wstring& taskId);
// The agent's result document ("error"); empty while there is none.
std::wstring ReadStoredResult(const std::wstring& taskId);
