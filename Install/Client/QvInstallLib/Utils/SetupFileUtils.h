#pragma once

#include <windows.h>

#include <string>

// Directory of the running executable, without a trailing separator.
std::wstring GetModuleDirectory();

// Copies the engine, its language files and (with copyExecutable) this
// executable from a distribution directory straight into the temporary
// directory, each copy and each language folder registered for deletion at
// the next restart (the folders once more after their files). localPath
// receives the local copy of the executable, or of the engine without the
// flag. Raises CQvError with the copy's code on the first failure.
DWORD CopyFromNetwork(const std::wstring& sourceDir, bool copyExecutable, std::wstring& localPath);

// Registers a file or folder for deletion at the next restart; false when
// Windows refuses. The deletions run in the order registered, and a folder
// goes only when it is empty by then: register a folder again after the
// files put into it.
bool DeleteAtRestart(const std::wstring& path);

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
