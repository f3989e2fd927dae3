#pragma once

#include "QvResponseFile.h"

#include <string>

// Writes sections of a response file to one target file through
// WritePrivateProfileStringW, which updates keys in place and adds missing
// keys and sections but never removes anything the file holds. A text that
// the file's ANSI code page cannot hold turns the file into UTF-16 first
// (ResponseFileEncoding.h).
class CSaveSection
{
public:
    explicit CSaveSection(std::wstring target);

    // Every key of the section in key order; a section without keys writes
    // nothing. The first failing write raises; earlier keys stay written.
    void operator()(const std::wstring& section, const QvInstall::ResponseKeyMap& keys) const;

    // One key. Raises CQvInstError 20010 (target, system error text, section,
    // key) when the write, or the file's conversion, fails.
    void Write(const std::wstring& section, const std::wstring& key,
               const std::wstring& value) const;

private:
    std::wstring target;
};
