#pragma once

// Test helper: the install tasks stored under the agent's task key, so that a
// test or benchmark can tell which tasks a run stored and remove them.
#include <set>
#include <string>

namespace QvTest
{
// The ids of the tasks stored now; empty when there is no task key.
std::set<std::wstring> StoredTaskIds();
} // namespace QvTest
