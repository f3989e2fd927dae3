#pragma once

#include "TracePrefix.h"

#include <string>

// The one trace line that loading a response file leaves: every well-known
// key with its value, then every raw entry of every section. The line is
// written when the object ends, so a load that fails still leaves what it
// read. The log is readable by every account: secret values show as "***".
class CLoadSummary
{
public:
    explicit CLoadSummary(QvBase::CTracePrefix& trace);
    ~CLoadSummary();
    CLoadSummary(const CLoadSummary&) = delete;
    CLoadSummary& operator=(const CLoadSummary&) = delete;

    // "key=value;"
    void AddValue(const std::wstring& key, const std::wstring& value);
    // "name:"
    void BeginSection(const std::wstring& name);
    // "entry;"
    void AddEntry(const std::wstring& entry);
    // "\r\n"
    void EndLine();

    const std::wstring& Text() const { return text; }

private:
    QvBase::CTracePrefix& trace;
    std::wstring text;
};

// "password", "QvxUninstPwd" and any key whose name holds "password", without
// regard to case or to white space around the name.
bool IsSecretKey(const std::wstring& key);
