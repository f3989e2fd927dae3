#pragma once

#include "TracePrefix.h"
#include "qvexception.h"

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

// Opens the function's trace context as `trace` and names the function once,
// for the context and for QV_RAISE below it:
//   QV_LIB_FUNCTION(L"CRuntimeEx::Install", L"runtime");
#define QV_LIB_FUNCTION(name, sourceFile)                                                          \
    QV_FUNCTION_NAME(name);                                                                        \
    ClibFuncTraceContext trace(qvFunctionName, (sourceFile))
#define QV_SETUP_FUNCTION(name, sourceFile)                                                        \
    QV_FUNCTION_NAME(name);                                                                        \
    CFuncTraceContext trace(qvFunctionName, (sourceFile))

// Catch sites of a traced function. Where an error is passed on, the context
// traces its Dump at level 4 and rethrows; where it is only traced, the same
// and nothing more:
//   try { ... } QV_CATCH_TRACE_RETHROW(trace)
#define QV_CATCH_TRACE_RETHROW(context)                                                            \
    catch (::QvBase::CQvError & qvCaught)                                                          \
    {                                                                                              \
        (context).Trace(4, L"%s", qvCaught.Dump());                                                \
        throw;                                                                                     \
    }
#define QV_CATCH_TRACE(context)                                                                    \
    catch (::QvBase::CQvError & qvCaught)                                                          \
    {                                                                                              \
        (context).Trace(4, L"%s", qvCaught.Dump());                                                \
    }
