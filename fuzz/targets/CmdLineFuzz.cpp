// Command lines against the parser: every option a straightforward reading
// of the grammar finds is found with the same value, Parse's result agrees,
// and nothing else is reported for the option names setup asks for.
#include "CmdLineParser.h"
#include "FuzzInput.h"

#include <map>
#include <string>

namespace
{
using Options = std::map<std::wstring, std::wstring>;

std::wstring Lower(std::wstring name)
{
    for (wchar_t& c : name)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c + (L'a' - L'A'));
    return name;
}

// The grammar read character by character, written apart from the parser.
Options Reference(const std::wstring& s, bool& anyStored)
{
    Options options;
    anyStored = false;
    const auto store = [&](const std::wstring& name, const std::wstring& value)
    {
        if (name.empty())
            return;
        anyStored |= options.emplace(Lower(name), value).second;
    };
    size_t i = 0;
    const size_t n = s.size();
    while (i < n)
    {
        while (i < n && s[i] != L'-' && s[i] != L'/')
            ++i;
        if (i + 1 >= n)
            break;
        size_t j = ++i;
        while (j < n && s[j] != L' ' && s[j] != L':')
            ++j;
        const std::wstring name = s.substr(i, j - i);
        if (j == n)
        {
            store(name, L"");
            break;
        }
        if (s[j] == L':' && j + 1 < n)
        {
            const wchar_t close = s[j + 1] == L'"' ? L'"' : L' ';
            size_t k = j + (close == L'"' ? 2 : 1);
            const size_t valueBegin = k;
            while (k < n && s[k] != close)
                ++k;
            store(name, s.substr(valueBegin < n ? valueBegin : n, k - valueBegin));
            if (k >= n)
                break;
            i = k + 1;
            continue;
        }
        store(name, L"");
        i = j + 1;
    }
    return options;
}

void CheckOption(const CCmdLineParser& parser, const std::wstring& name, const Options& expected)
{
    const auto it = expected.find(Lower(name));
    const wchar_t* value = parser.GetOptionValue(name.c_str());
    QvFuzz::Check(parser.HasOption(name.c_str()) == (it != expected.end()), "HasOption");
    QvFuzz::Check((value != nullptr) == (it != expected.end()), "GetOptionValue presence");
    if (value != nullptr)
        QvFuzz::Check(it->second == value, "GetOptionValue value");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The parser sees a C string: what follows a NUL is not part of it.
    std::wstring text = QvFuzz::WideBytes(data, size);
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));

    bool anyStored = false;
    const Options expected = Reference(text, anyStored);
    CCmdLineParser parser(nullptr, /*caseSensitive=*/0);
    QvFuzz::Check(parser.Parse(text.c_str()) == anyStored, "Parse result");
    for (const auto& option : expected)
    {
        CheckOption(parser, option.first, expected);
        std::wstring upper = option.first;
        for (wchar_t& c : upper)
            if (c >= L'a' && c <= L'z')
                c = static_cast<wchar_t>(c - (L'a' - L'A'));
        CheckOption(parser, upper, expected);
    }
    for (const wchar_t* name :
         {L"sccm", L"script", L"gp", L"source", L"jcsf", L"install", L"uninstall", L"upgrade",
          L"repair", L"applypatch", L"removeallpatches", L"timeout", L""})
        CheckOption(parser, name, expected);
    QvFuzz::Check(!parser.Parse(nullptr), "Parse(null)");
    CheckOption(parser, L"sccm", expected); // a null text changes nothing
    return 0;
}
