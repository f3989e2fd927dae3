#pragma once

// The names of the agent's test steering (README.md): the agent reads them
// (TestSteering.h), the tests' steering helper writes them
// (tests/support/AgentSteering.h).
namespace QvAgentSteering
{
// Below HKEY_LOCAL_MACHINE: machine-wide, since the service does not run as
// the test user on Windows.
constexpr const wchar_t* kKey = L"SOFTWARE\\QvTest\\QvInstAgent";
// REG_DWORD values. The forced result's name is the prefix and the task type.
constexpr const wchar_t* kResultPrefix = L"Result";
constexpr const wchar_t* kDelayMs = L"DelayMs";
constexpr const wchar_t* kNeverAnswer = L"NeverAnswer";
constexpr const wchar_t* kNoDocumentElement = L"NoDocumentElement";
constexpr const wchar_t* kExitMidTask = L"ExitMidTask";
} // namespace QvAgentSteering
