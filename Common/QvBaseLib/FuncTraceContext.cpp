#include "FuncTraceContext.h"

namespace QvBase
{
std::atomic<int>& SetupTraceDepth()
{
    static std::atomic<int> depth{0};
    return depth;
}

std::atomic<int>& InstallLibTraceDepth()
{
    static std::atomic<int> depth{0};
    return depth;
}

CFuncTraceContextBase::CFuncTraceContextBase(CQvTrace& sink, std::atomic<int>& depth,
                                             const wchar_t* function)
    : CTracePrefix(&sink, /*text=*/nullptr, /*tag=*/0), depth(depth)
{
    try
    {
        active = IsEnabled();
        if (!active)
            return;
        SetIndent(depth.load(), L' ');
        Trace(2, L"%s", function != nullptr ? function : L"");
        Trace(2, L"{");
        const int before = depth.fetch_add(1);
        SetIndent(before + 1, L' ');
    }
    catch (...)
    {
    }
}

CFuncTraceContextBase::~CFuncTraceContextBase()
{
    if (!active)
        return;
    try
    {
        const int before = depth.fetch_sub(1);
        SetIndent(before - 1, L' ');
        Trace(2, L"}");
    }
    catch (...)
    {
    }
}
} // namespace QvBase

CFuncTraceContext::CFuncTraceContext(const wchar_t* function, const wchar_t*)
    : CFuncTraceContextBase(QvBase::SetupTrace(), QvBase::SetupTraceDepth(), function)
{
}

ClibFuncTraceContext::ClibFuncTraceContext(const wchar_t* function, const wchar_t*)
    : CFuncTraceContextBase(QvBase::InstallLibTrace(), QvBase::InstallLibTraceDepth(), function)
{
}
