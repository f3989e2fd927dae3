#pragma once

// The encoding of a response file on disk. The profile functions write a
// file that starts with a UTF-16 byte-order mark in UTF-16 and any other
// file in the ANSI code page, which loses every character that code page
// cannot hold (a Cyrillic path on an English Windows becomes "???"). So a
// file that is to take such a text becomes UTF-16 first, which the profile
// functions then keep.

#include <windows.h>

#include <string>

namespace ResponseFileEncoding
{
// Makes an empty UTF-16 file with a byte-order mark, unless the file exists.
void CreateUnicodeFile(const std::wstring& path);

// True when the ANSI code page holds every character of the text exactly.
bool FitsAnsiCodePage(const std::wstring& text);

// Makes sure the file can take any text: a missing file is created as
// UTF-16; any other file (the ANSI code page, or UTF-8 after its mark) is
// rewritten as UTF-16 with a byte-order mark, every section, key, value and
// comment as it was; a UTF-16 file is left alone. 0, or the system error
// that kept the file from it (the file is then as it was).
DWORD MakeUnicode(const std::wstring& path);
} // namespace ResponseFileEncoding
