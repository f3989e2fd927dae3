#pragma once

#include <map>
#include <string>

// Options and values of a command line. An option starts at any '-' or '/'
// outside a value; "name:value" and "name:\"quoted value\"" carry values.
// Unless case-sensitive, names are stored and looked up in lower case.
class CCmdLineParser
{
public:
    CCmdLineParser(const wchar_t* text, int caseSensitive);
    virtual ~CCmdLineParser() = default;

    // Replaces what was parsed before; true when at least one option was stored.
    bool Parse(const wchar_t* text);
    bool HasOption(const wchar_t* name) const;
    // Null when absent, empty when present without a value. Valid until the
    // next Parse or the parser's end.
    const wchar_t* GetOptionValue(const wchar_t* name) const;

private:
    std::wstring Normalise(std::wstring name) const;
    bool Store(std::wstring name, std::wstring value);

    std::wstring commandLine;
    std::map<std::wstring, std::wstring> options;
    int caseSensitive;
};
