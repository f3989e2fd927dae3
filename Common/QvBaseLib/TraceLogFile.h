#pragma once

#include <windows.h>

#include <string>

namespace QvBase
{
// Opens a trace log file for appending, shared for reading and writing.
// When the open fails, the missing directories of the path are created (open
// to every account, so that any process of the product can log there) and the
// open is tried once more. Returns INVALID_HANDLE_VALUE on failure.
HANDLE OpenTraceLogFile(const std::wstring& path, bool truncate);

// Creates every directory of a file path below its root; the last component
// is the file name and is not created. False when the path has no root
// separator or a directory cannot be created.
bool CreateTraceDirectories(const std::wstring& path);
} // namespace QvBase
