#pragma once

// Test helper: a service of the test's own, registered and inspected through
// the Service Control Manager API directly (not the product's code), and
// stopped and deleted when the object ends. The program is QvTestService.exe
// of the build (see TestService.cpp for the start arguments it knows).
#include <windows.h>

#include <string>

namespace QvTest
{
// What the Service Control Manager reports of a service's configuration.
struct ServiceConfig
{
    std::wstring imagePath;
    DWORD serviceType = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::wstring loadOrderGroup;
    std::wstring account;
    std::wstring displayName;
    std::wstring description;
    DWORD preShutdownTimeoutMs = 0;
};

class CTestService
{
public:
    // A service left over from a broken run under the same name is removed
    // first.
    explicit CTestService(const std::wstring& name);
    ~CTestService();
    CTestService(const CTestService&) = delete;
    CTestService& operator=(const CTestService&) = delete;

    // The test service program, quoted, as an image path.
    static std::wstring ProgramImagePath();

    const std::wstring& Name() const { return name; }
    // Registers an own-process service on demand start; 0 or the error code.
    DWORD Register(const std::wstring& displayName = L"QvSetup test service",
                   const std::wstring& imagePath = ProgramImagePath());
    // Starts it with one start argument (none when empty); 0 or the error.
    DWORD Start(const wchar_t* argument = nullptr);
    // The current state; 0 when it cannot be queried (no such service).
    DWORD State() const;
    bool WaitForState(DWORD state, DWORD timeoutMs) const;
    bool Exists() const;
    bool ReadConfig(ServiceConfig& config) const;
    // Stops it (waiting until it has stopped) and deletes it.
    void Remove() const;

private:
    std::wstring name;
};
} // namespace QvTest
