#pragma once

#include <string>

namespace QvBase
{
enum SystemFolder
{
    FolderWindows = 0,
    FolderSystem = 1,
    FolderProgramFiles = 2,
    FolderTemp = 3,
};

// base + separator + tail with exactly one separator where they meet; a null
// tail returns the base unchanged, an empty base gives the tail alone.
std::wstring JoinPath(const wchar_t* base, const wchar_t* tail, wchar_t separator);

// A well-known folder (SystemFolder) joined with the tail; "" for an unknown
// kind. Each folder is looked up once for the process; a folder that cannot
// be had (a TEMP too long for the system, no ProgramFilesDir) raises CQvError
// with the system's code, and is looked up again on the next call.
std::wstring GetSystemFolderPath(int kind, const wchar_t* tail);

// Environment variables of the text expanded, then joined with the tail.
std::wstring ExpandPath(const wchar_t* text, const wchar_t* tail);

// The file-name part of a path; "" when the whole path is a file name.
std::wstring GetFileNamePart(const wchar_t* path);
} // namespace QvBase
