#pragma once

// The sample engine's report: "Name=Value" lines in UTF-8 with CR LF ends.
#include <string>

class CReportLines
{
public:
    void Add(const std::wstring& name, const std::wstring& value);
    const std::wstring& Text() const { return text; }

private:
    std::wstring text;
};

// Replaces the file with the lines, or appends them to it; false on failure.
bool WriteReport(const std::wstring& path, const CReportLines& lines, bool append);
