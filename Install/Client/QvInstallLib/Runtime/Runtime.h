#pragma once

#include <windows.h>

#include <string>

// One runtime redistributable package carried by the engine module as a
// "BINARY" resource, and the product codes whose presence means that its
// runtime is installed.
class CRuntimeEx
{
public:
    using ProductPair = std::pair<const wchar_t*, const wchar_t*>;

    CRuntimeEx(int resourceId, const wchar_t* fileName, ProductPair first,
               ProductPair second = {L"", L""}, ProductPair third = {L"", L""});

    bool IsInstalled() const;
    // Installs the package from the engine module in the directory unless its
    // runtime is installed. Raises CQvError with the package's result.
    void Install(const std::wstring& directory) const;
    // Runs the package silently; its exit code, or the start error.
    DWORD Run(const std::wstring& packagePath) const;

    int ResourceId() const { return resourceId; }
    const std::wstring& FileName() const { return fileName; }

private:
    int resourceId;
    std::wstring fileName;
    ProductPair products[3];
};

// Installs every missing runtime of the table from the engine module
// "QvInstMain.dll" in the directory, the x64 package first. The first error
// ends it.
void InstallRuntime(const std::wstring& directory);

namespace RuntimeSeams
{
// The wait between attempts of a package that timed out (5000 ms). Tests
// replace it so that they need not sit through it.
extern void (*retryWait)(DWORD milliseconds);
} // namespace RuntimeSeams
