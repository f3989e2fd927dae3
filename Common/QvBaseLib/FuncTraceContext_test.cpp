// Function contexts and one-line scopes on the process's own sinks, after
// reloading them from a test configuration.
#include "FuncTraceContext.h"
#include "TraceLineScope.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

namespace
{
using QvTest::ReadFileBytes;

class TraceContextMachine : public ::testing::Test
{
protected:
    static void Reload() { QvTest::CProcessTraceCapture::Reload(); }

    QvTest::CTempDir dir{L"QvTraceContextTest"};
    QvTest::CProcessTraceCapture trace{dir.Path()};
    QvTest::CTraceConfig& config = trace.Config();
};

void Inner()
{
    CFuncTraceContext trace(L"Inner", L"test");
    trace.Trace(2, L"inner body");
}

void Middle()
{
    CFuncTraceContext trace(L"Middle", L"test");
    Inner();
    trace.Trace(4, L"middle failure %d", 5);
}

TEST_F(TraceContextMachine, NestedContextsIndentAsAnOutline)
{
    {
        CFuncTraceContext trace(L"wWinMain", L"QvSetup");
        trace.Trace(2, L"body");
        Middle();
    }
    EXPECT_EQ(0, QvBase::SetupTraceDepth().load());
    EXPECT_EQ("wWinMain\r\n"
              "{\r\n"
              "  body\r\n"
              "  Middle\r\n"
              "  {\r\n"
              "   Inner\r\n"
              "   {\r\n"
              "    inner body\r\n"
              "   }\r\n"
              "W>    middle failure 5\r\n"
              "  }\r\n"
              "}\r\n",
              ReadFileBytes(dir / L"QvSetup.log"));
}

TEST_F(TraceContextMachine, DisabledContextLeavesDepthAlone)
{
    config.SetNumber(nullptr, L"ForceEnableMask", 0);
    Reload();
    {
        CFuncTraceContext trace(L"Silent", L"test");
        EXPECT_EQ(0, QvBase::SetupTraceDepth().load());
        // Tracing comes back while the silent context is open: it stays silent.
        config.SetNumber(nullptr, L"ForceEnableMask", 2);
        Reload();
    }
    EXPECT_EQ(0, QvBase::SetupTraceDepth().load());
    EXPECT_EQ("", ReadFileBytes(dir / L"QvSetup.log"));
}

TEST_F(TraceContextMachine, LineScopeAndLibraryPrefix)
{
    {
        QvBase::CTraceLineScope line(L"CInstallTrace::IsEnabled");
        line << 1;
    }
    {
        ClibFuncTraceContext trace(L"Lib", L"test");
        QvBase::CTraceLineScope line(L"ClearReadOnly");
        line << L" File is RO ";
        QvBase::CLibTracePrefix plain;
        plain.Trace(2, L"plain");
        plain.TraceDump(2, L"Buf", "\x01\x02", 2, 0);
    }
    EXPECT_EQ("CInstallTrace::IsEnabled { 1}\r\n"
              "Lib\r\n"
              "{\r\n"
              "  plain\r\n"
              "  Buf\r\n 00: 01 02\r\n\r\n"
              "  ClearReadOnly {  File is RO }\r\n"
              "}\r\n",
              ReadFileBytes(dir / L"QvInstallLib.log"));
}

TEST(TracePrefix, PrefixRules)
{
    QvBase::CTracePrefix prefix(nullptr, L"ignored without a sink", 7);
    EXPECT_EQ(L"", prefix.GetPrefix());
    EXPECT_EQ(7, prefix.GetTag());
    prefix.SetIndent(-3, L' ');
    EXPECT_EQ(L"", prefix.GetPrefix());
    prefix.SetIndent(3, L'.');
    EXPECT_EQ(L"...", prefix.GetPrefix());
    prefix.SetPrefix(L"");
    EXPECT_EQ(L"", prefix.GetPrefix());
    prefix.Trace(2, L"no sink, no effect");
}
} // namespace
