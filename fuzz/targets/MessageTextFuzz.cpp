// System and module message texts made ready to show: no insert marker may
// be left, the final line end goes, and nothing is added.
#include "ErrorText.h"
#include "FuzzInput.h"

#include <algorithm>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::wstring text = QvFuzz::WideBytes(data, size);
    const std::wstring clean = QvBase::CleanMessageText(text);
    QvFuzz::Check(clean.size() <= text.size(), "text grew");
    QvFuzz::Check(clean.find(L'%') == std::wstring::npos, "insert marker left");
    const auto returns = [](const std::wstring& s)
    { return std::count(s.begin(), s.end(), L'\r'); };
    QvFuzz::Check(returns(clean) == std::max<std::ptrdiff_t>(returns(text) - 1, 0),
                  "text not cut at its last carriage return");
    // Without markers and line ends the text is kept as it is.
    if (text.find_first_of(L"%\r") == std::wstring::npos)
        QvFuzz::Check(clean == text, "clean text changed");
    return 0;
}
