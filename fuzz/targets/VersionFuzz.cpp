// Version texts as they come from the registry and the response file.
#include "FuzzInput.h"
#include "ProductVersion.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring text = QvFuzz::WideBytes(data, size);
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    const ProductVersion version(text);

    std::wstring kept = text;
    if (!kept.empty() && kept.back() == L'.')
        kept.pop_back();
    QvFuzz::Check(version.Text() == kept, "text not kept");

    const int numbers[] = {version.Major(), version.Minor(), version.Build(), version.Revision()};
    unsigned long long packed = 0;
    for (int number : numbers)
        packed = (packed << 16) | (static_cast<unsigned int>(number) & 0xFFFFu);
    QvFuzz::Check(static_cast<long long>(packed) == version.Packed(), "packed form");

    // The numbers formatted and read again are the same numbers.
    const ProductVersion again(
        ProductVersion(numbers[0], numbers[1], numbers[2], numbers[3]).Text());
    QvFuzz::Check(again.Major() == numbers[0] && again.Minor() == numbers[1] &&
                      again.Build() == numbers[2] && again.Revision() == numbers[3],
                  "formatted version reads back differently");
    return 0;
}
