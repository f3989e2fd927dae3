#pragma once

// The product service API, QvSrvApi.dll: the calls other components make to
// the product's protection service, and the state of a connection to it.
//
// Exports (C linkage; each returns 0 or a Win32 error code):
//
//   int QvSrvGetProtectionState(unsigned long* state)
//       The protection state: a combination of the QvSrvState bits.
//   int QvSrvGetSelfProtectionMode(unsigned long* mode, unsigned long* flags)
//       The current self-protection mode (QvSrvSelfProtectionMode) and flags
//       reserved for later use (0).
//   int QvSrvSetSelfProtectionMode(unsigned long mode, const wchar_t* caller)
//       Changes the self-protection mode; "caller" names who asks, for the
//       service's log.
#include <windows.h>

enum QvSrvState : unsigned long
{
    QvSrvStateProtectionOn = 0x1,
    QvSrvStateAdminPinOn = 0x2,
};

enum QvSrvSelfProtectionMode : unsigned long
{
    QvSrvSelfProtectionOff = 0,
    QvSrvSelfProtectionOn = 1,
    // Lets installers change the product's files, keys and services.
    QvSrvSelfProtectionService = 2,
};

constexpr const wchar_t* kQvSrvApiModule = L"QvSrvApi.dll";
constexpr const char* kQvSrvGetProtectionState = "QvSrvGetProtectionState";
constexpr const char* kQvSrvGetSelfProtectionMode = "QvSrvGetSelfProtectionMode";
constexpr const char* kQvSrvSetSelfProtectionMode = "QvSrvSetSelfProtectionMode";

using QvSrvGetProtectionStateFunction = int (*)(unsigned long* state);
using QvSrvGetSelfProtectionModeFunction = int (*)(unsigned long* mode, unsigned long* flags);
using QvSrvSetSelfProtectionModeFunction = int (*)(unsigned long mode, const wchar_t* caller);

// A connection to the product service. The mutex serialises the calls made
// over one connection; it exists from construction to destruction, whether a
// connection is opened or not.
class CQvSrv
{
public:
    CQvSrv() : mutex(CreateMutexW(nullptr, FALSE, nullptr)) {}
    ~CQvSrv()
    {
        if (mutex != nullptr)
            CloseHandle(mutex);
    }
    CQvSrv(const CQvSrv&) = delete;
    CQvSrv& operator=(const CQvSrv&) = delete;

    bool IsConnected() const { return connection != nullptr; }
    HANDLE Mutex() const { return mutex; }

private:
    HANDLE mutex;
    void* connection = nullptr;
};
