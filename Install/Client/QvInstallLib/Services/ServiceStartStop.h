#pragma once

// Starting and stopping a service and waiting, within a time-out, until it
// runs or has stopped. Results are Windows error codes (0 = success); E_FAIL
// when the service did not get there in time.
#include "WaitSeam.h"

#include <windows.h>

#include <string>
#include <vector>

// Starts the service with the arguments and polls its state every 500 ms. A
// service that already runs counts as started.
DWORD StartDriver(const wchar_t* name, DWORD timeoutMs, const std::vector<std::wstring>& arguments);

// Asks the service to stop and polls its state every 100 ms. A missing
// service, one that is not running and one that takes no stop control count
// as stopped.
DWORD StopDriver(const wchar_t* name, DWORD timeoutMs);

namespace ServiceControlSeams
{
using WaitFunction = QvBase::WaitFunction;
// Replaces the pause between two state queries (Sleep); returns the one it
// replaces. Tests of the time-outs use it so that they need not sit through
// them; nullptr puts Sleep back.
WaitFunction SetPollWait(WaitFunction wait);
} // namespace ServiceControlSeams
