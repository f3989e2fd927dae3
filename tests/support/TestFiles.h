#pragma once

// Test helpers for files and folders, and for telling Wine from Windows.
#include <windows.h>

#include <string>

namespace QvTest
{
// True when the test runs under Wine rather than Windows.
bool RunsUnderWine();

// Removes a folder with everything in it; a missing one is fine.
void RemoveTree(const std::wstring& path);

// The whole file, or nothing when it cannot be read. Reading shares writing,
// so that a log still being written can be read.
std::string ReadFileBytes(const std::wstring& path);

// Makes the file hold exactly these bytes; false when it cannot be written.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// The text's UTF-16 bytes, without a byte-order mark.
std::string Utf16Bytes(const std::wstring& text);
// Makes the file hold the text as UTF-16 with a byte-order mark, as the
// profile functions read it.
bool WriteUtf16File(const std::wstring& path, const std::wstring& text);
// The path of a name in the temporary directory.
std::wstring TempPath(const std::wstring& name);

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
