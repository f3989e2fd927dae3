#pragma once

// Test helpers for registry state: a key put back as it was at the end of a
// test, and readings that do not go through the product's registry code.
#include <windows.h>

#include <string>

namespace QvTest
{
// Copies a key aside when made and puts it back (or removes it, when it did
// not exist) when destroyed, whatever the test did to it in between.
class CKeyBackup
{
public:
    CKeyBackup(HKEY root, const std::wstring& path);
    ~CKeyBackup();
    CKeyBackup(const CKeyBackup&) = delete;
    CKeyBackup& operator=(const CKeyBackup&) = delete;

private:
    HKEY root;
    std::wstring path;
    std::wstring backupPath;
    bool existed = false;
};

// Raw reads with the registry API; false when the value is missing or of
// another type.
bool ReadRawDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD& value);
bool ReadRawString(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring& value);
bool KeyExists(HKEY root, const std::wstring& path);
// Creates the key (and the keys above it) unless it exists.
void MakeKey(HKEY root, const std::wstring& path);

void WriteDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value);
void WriteString(HKEY root, const std::wstring& path, const wchar_t* name,
                 const std::wstring& value);

// What Wine's reg.exe prints for "reg query <arguments>", and its exit code
// (0 when the key or value exists).
struct RegQueryResult
{
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};
RegQueryResult RegQuery(const std::wstring& arguments);
} // namespace QvTest
