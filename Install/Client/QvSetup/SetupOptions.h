#pragma once

#include <optional>
#include <string>

class CCmdLineParser;

// Names of the setup program's own command-line options.
namespace SetupOptionName
{
constexpr const wchar_t* kSccm = L"sccm";
constexpr const wchar_t* kScript = L"script";
constexpr const wchar_t* kGroupPolicy = L"gp";
constexpr const wchar_t* kSource = L"source";
constexpr const wchar_t* kJcsf = L"jcsf";
} // namespace SetupOptionName

// The options of one run, read once from its command line.
struct CSetupOptions
{
    bool sccm = false;
    // Nothing is shown: no start-up window, no message box.
    bool script = false;
    // The pre-install version check runs, and a relaunch waits for its copy.
    bool groupPolicy = false;
    // Passed on to the engine through the response file.
    bool jcsf = false;
    // Present in a run started by a network relaunch: the share it came from
    // (empty when the option carries no value).
    std::optional<std::wstring> source;
};

CSetupOptions ReadSetupOptions(const CCmdLineParser& parser);
