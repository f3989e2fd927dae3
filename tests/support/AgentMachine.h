#pragma once

// Test helper for the tests that run the install agent or the SCCM mode: the
// state they may leave on the machine goes when the helper is made (a test
// that hung and was ended left it, and the next one must not fail for it)
// and again when it ends, however the test ends:
//   - programs of a run that was cut short (QvSetup.exe, task processes),
//   - the SCCM job's agent service and the services the test names,
//   - every installed client product (any version of its upgrade code) with
//     its service, and the install directory,
//   - the agent's test steering key,
//   - stored tasks: those still waiting for an agent when the helper is made
//     (an agent's next start would take them up), those stored while it
//     lives when it ends.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace QvTest
{
class CAgentMachineCleanup
{
public:
    explicit CAgentMachineCleanup(std::wstring installDir = std::wstring(),
                                  std::vector<std::wstring> services = {});
    ~CAgentMachineCleanup();
    CAgentMachineCleanup(const CAgentMachineCleanup&) = delete;
    CAgentMachineCleanup& operator=(const CAgentMachineCleanup&) = delete;

    // The tasks stored since the helper was made.
    std::set<std::wstring> NewTaskIds() const;

private:
    void RemoveLeftovers() const;

    std::wstring installDir;
    std::vector<std::wstring> services;
    std::set<std::wstring> tasksBefore;
};
} // namespace QvTest
