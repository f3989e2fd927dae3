#pragma once

#include "TracePrefix.h"

#include <atomic>

namespace QvBase
{
// Depth of the open function contexts of each sink, shared by all threads.
std::atomic<int>& SetupTraceDepth();
std::atomic<int>& InstallLibTraceDepth();

// Opened at the top of a traced function: writes the function's name and "{",
// indents the lines written while it runs, and writes "}" at its end. A
// context made while its sink is disabled stays silent for its whole life.
class CFuncTraceContextBase : public CTracePrefix
{
public:
    ~CFuncTraceContextBase() override;

protected:
    CFuncTraceContextBase(CQvTrace& sink, std::atomic<int>& depth, const wchar_t* function);

private:
    std::atomic<int>& depth;
    bool active = false;
};
} // namespace QvBase

// The setup program's functions (sink "QvSetup").
class CFuncTraceContext : public QvBase::CFuncTraceContextBase
{
public:
    CFuncTraceContext(const wchar_t* function, const wchar_t* sourceFile);
};

// The install library's functions (sink "QvInstallLib").
class ClibFuncTraceContext : public QvBase::CFuncTraceContextBase
{
public:
    ClibFuncTraceContext(const wchar_t* function, const wchar_t* sourceFile);
};
