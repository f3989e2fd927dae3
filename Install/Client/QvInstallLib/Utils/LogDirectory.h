#pragma once

#include <string>

// The product's log directory: %ProgramData%\Dravisk\Quorvel\Logs.
std::wstring GetDefaultLogDirectory();
// "TracePath" of the Trace key as stored ("" when the key lacks it); the
// default log directory when there is no Trace key.
std::wstring GetLogDirectory();
// Creates the directory chain and gives the directory a protected access
// list open to every process of the product.
void PrepareLogDirectory(const std::wstring& directory);
