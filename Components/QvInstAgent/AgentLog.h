#pragma once

// The agent's own log: plain UTF-8 lines appended to QvInstAgent.log in the
// Windows temporary folder, so that an administrator can see what the
// service and its task processes did. Each line is one append: the service
// and a task process may write at once.
#include <string>

namespace QvAgent
{
// <Windows folder>\Temp, without a trailing backslash.
std::wstring WindowsTempDir();
std::wstring AgentLogPath();
// printf-style with Microsoft semantics (%s is a wide string). Never throws.
void Log(const wchar_t* format, ...);
} // namespace QvAgent
