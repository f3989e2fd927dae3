#pragma once

#include <windows.h>

#include <string>

namespace QvBase
{
class CTracePrefix;

// Domain and account name of a token's user. False when the token's user
// cannot be read; a user without an account name (1332) gives empty names.
bool LookupTokenAccount(HANDLE token, std::wstring& domain, std::wstring& name);

// Writes "Thread token:<domain>\<name>" when the calling thread has a token
// of its own, then "Process token:<domain>\<name>", at level 2.
void TraceRunningAccount(CTracePrefix& trace);
} // namespace QvBase
