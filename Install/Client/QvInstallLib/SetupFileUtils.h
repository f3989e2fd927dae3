#pragma once

#include <windows.h>

#include <string>

// Directory of the running executable, without a trailing separator.
std::wstring GetModuleDirectory();

// Copies the engine, its language files and (with copyExecutable) this
// executable from a distribution directory straight into the temporary
// directory, each copy registered for deletion at the next restart. localPath
// receives the local copy of the executable, or of the engine without the
// flag. Raises CQvError with the copy's code on the first failure.
DWORD CopyFromNetwork(const std::wstring& sourceDir, bool copyExecutable, std::wstring& localPath);

// Creates every missing level of a drive-letter path; with registerForDeletion
// the levels it creates vanish at the next restart. The last level, when it
// is created here, gets leafSecurity (null: the default). 87 for a path
// without a drive letter, else 0 or the first creation error other than 183.
DWORD CreateDirectoryTree(const std::wstring& path, bool registerForDeletion,
                          SECURITY_ATTRIBUTES* leafSecurity = nullptr);

// Clears a read-only attribute; true when there was one.
bool ClearReadOnly(const std::wstring& path);

// Writes the module's resource of type "BINARY" with the identifier to a new
// file. Raises CQvError with the failing step's error code.
void ExtractBinaryResource(const std::wstring& targetPath, HMODULE module, WORD identifier);
