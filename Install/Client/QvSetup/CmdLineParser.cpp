#include "CmdLineParser.h"

#include <cwctype>

CCmdLineParser::CCmdLineParser(const wchar_t* text, int caseSensitive)
    : caseSensitive(caseSensitive)
{
    if (text != nullptr)
        Parse(text);
}

std::wstring CCmdLineParser::Normalise(std::wstring name) const
{
    if (caseSensitive == 0)
    {
        // Only A to Z change: the C locale's wide lower-casing, which the
        // program never replaces.
        for (wchar_t& c : name)
            if (c >= L'A' && c <= L'Z')
                c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return name;
}

bool CCmdLineParser::Store(std::wstring name, std::wstring value)
{
    // The first occurrence of an option wins, value included.
    return options.emplace(Normalise(std::move(name)), std::move(value)).second;
}

bool CCmdLineParser::Parse(const wchar_t* text)
{
    if (text == nullptr)
        return false;
    commandLine = text;
    options.clear();

    const std::wstring& s = commandLine;
    const size_t npos = std::wstring::npos;
    size_t stored = 0;
    size_t cursor = 0;
    while (cursor < s.size())
    {
        const size_t dash = s.find_first_of(L"-/", cursor);
        if (dash == npos || dash + 1 >= s.size())
            break;
        const size_t nameBegin = dash + 1;
        const size_t sep = s.find_first_of(L" :", nameBegin);
        if (sep == npos)
        {
            stored += Store(s.substr(nameBegin), std::wstring());
            break;
        }
        std::wstring name = s.substr(nameBegin, sep - nameBegin);
        if (s[sep] == L':' && sep + 1 < s.size())
        {
            const bool quoted = s[sep + 1] == L'"';
            const size_t valueBegin = sep + (quoted ? 2 : 1);
            const size_t valueEnd = s.find(quoted ? L'"' : L' ', valueBegin);
            if (valueEnd == npos)
            {
                if (!name.empty())
                    stored += Store(std::move(name), s.substr(std::min(valueBegin, s.size())));
                break;
            }
            if (!name.empty())
                stored += Store(std::move(name), s.substr(valueBegin, valueEnd - valueBegin));
            cursor = valueEnd + 1;
            continue;
        }
        if (!name.empty())
            stored += Store(std::move(name), std::wstring());
        cursor = sep + 1;
    }
    return stored > 0;
}

bool CCmdLineParser::HasOption(const wchar_t* name) const
{
    return name != nullptr && options.count(Normalise(name)) != 0;
}

const wchar_t* CCmdLineParser::GetOptionValue(const wchar_t* name) const
{
    if (name == nullptr)
        return nullptr;
    const auto it = options.find(Normalise(name));
    return it == options.end() ? nullptr : it->second.c_str();
}
