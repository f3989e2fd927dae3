#include "TraceLineScope.h"

#include "FuncTraceContext.h"

namespace QvBase
{
CLibTracePrefix::CLibTracePrefix() : CTracePrefix(&InstallLibTrace(), /*text=*/nullptr, /*tag=*/0)
{
    SetIndent(InstallLibTraceDepth().load(), L' ');
}

CTraceLineScope::CTraceLineScope(const wchar_t* function) : enabled(prefix.IsEnabled())
{
    if (enabled)
        text << (function != nullptr ? function : L"") << L" { ";
}

CTraceLineScope::~CTraceLineScope()
{
    if (!enabled)
        return;
    try
    {
        text << L"}";
        prefix.Trace(2, L"%s", text.Text().c_str());
    }
    catch (...)
    {
    }
}
} // namespace QvBase
