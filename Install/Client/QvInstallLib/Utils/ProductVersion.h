#pragma once

#include <string>

// A product version: four numbers and the text they were read from or
// formatted into. All four are 0 when no version is known.
class ProductVersion
{
public:
    ProductVersion() : ProductVersion(0, 0, 0, 0) {}
    // The text is "%d.%d.%d.%d" of the numbers.
    ProductVersion(int major, int minor, int build, int revision);
    // Each piece before a "." is read as a signed decimal number (leading
    // blanks and a sign allowed, no digits give 0) into major, minor, build and
    // revision; pieces beyond the fourth are ignored. The text is kept as
    // given, less one final ".".
    explicit ProductVersion(const std::wstring& text);

    int Major() const { return numbers[0]; }
    int Minor() const { return numbers[1]; }
    int Build() const { return numbers[2]; }
    int Revision() const { return numbers[3]; }
    const std::wstring& Text() const { return text; }

    // The version as one comparable number: major in bits 48 to 63, minor in
    // 32 to 47, build in 16 to 31, revision in 0 to 15, each modulo 65536.
    // 0 means that no version is known.
    long long Packed() const;

private:
    int numbers[4] = {};
    std::wstring text;
};
