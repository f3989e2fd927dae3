#pragma once

// Test helpers for files and folders, and for telling Wine from Windows.
#include <windows.h>

#include <string>

namespace QvTest
{
// True when the test runs under Wine rather than Windows.
bool RunsUnderWine();
inline bool IsWine()
{
    return RunsUnderWine();
}

// Removes a folder with everything in it; a missing one is fine.
void RemoveTree(const std::wstring& path);

// The whole file, or nothing when it cannot be read. Reading shares writing,
// so that a log still being written can be read.
std::string ReadFileBytes(const std::wstring& path);

inline bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh folder under the temporary directory, removed with its files.
class CTempDir
{
public:
    explicit CTempDir(const std::wstring& name);
    ~CTempDir() { RemoveTree(path); }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::wstring& Path() const { return path; }
    std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }

private:
    std::wstring path;
};
} // namespace QvTest
