#pragma once

// Every name the setup program and the install agent meet by: the task key
// and its values, and the global named objects of the agent protocol.

// The install agent: its program file, the service the product installs it
// as, and the one an SCCM install registers from a copy of the program.
constexpr const wchar_t* kAgentExecutable = L"QvInstAgent.exe";
constexpr const wchar_t* kAgentServiceName = L"QvInstAgent";
constexpr const wchar_t* kSccmAgentServiceName = L"QvInstAgent_sccm";

// Below HKEY_LOCAL_MACHINE: one subkey per task, named by the task id.
constexpr const wchar_t* kInstallTaskRootKey =
    L"SYSTEM\\CurrentControlSet\\services\\QvInstAgent\\Task";

// Values and subkey of a task key.
constexpr const wchar_t* kTaskTypeValue = L"type";               // REG_DWORD
constexpr const wchar_t* kTaskXmlValue = L"xml";                 // REG_SZ
constexpr const wchar_t* kTaskTimeCreatedValue = L"timecreated"; // REG_BINARY FILETIME
constexpr const wchar_t* kTaskTryCountValue = L"TryCount";       // REG_DWORD
constexpr const wchar_t* kTaskResultValue = L"Result";           // REG_DWORD
constexpr const wchar_t* kTaskErrorValue = L"error";             // REG_SZ, result document
constexpr const wchar_t* kTaskPendingSubkey = L"Pending";        // volatile

// Objects of a running agent.
constexpr const wchar_t* kInstallerReadyEventName = L"Global\\InstallerReadyEvent";
constexpr const wchar_t* kNewInstallTaskEventName = L"Global\\NewInstallTaskEvent";
constexpr const wchar_t* kNewInstallTaskMapName = L"Global\\NewInstallTaskMap";

// Objects of one task; the task id follows.
constexpr const wchar_t* kRunningEventPrefix = L"Global\\InstallTaskIsRunningEvent_";
constexpr const wchar_t* kTaskMapPrefix = L"Global\\InstallTaskMap_";
constexpr const wchar_t* kResultMapPrefix = L"Global\\InstallTaskResultMap_";
