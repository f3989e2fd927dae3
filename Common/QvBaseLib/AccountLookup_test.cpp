#include "AccountLookup.h"

#include "TracePrefix.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

namespace
{
TEST(AccountLookup, ProcessTokenHasDomainAndName)
{
    QvBase::CUniqueToken token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put()));
    std::wstring domain, name;
    EXPECT_TRUE(QvBase::LookupTokenAccount(token.Get(), domain, name));
    EXPECT_FALSE(name.empty());
    EXPECT_FALSE(domain.empty());

    // A token without query rights cannot tell its user.
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE, token.Put()));
    EXPECT_FALSE(QvBase::LookupTokenAccount(token.Get(), domain, name));
}

// Collects what a trace call would write.
class CRecordingPrefix : public QvBase::CTracePrefix
{
public:
    CRecordingPrefix() : CTracePrefix(nullptr, nullptr, 0) {}
    void Trace(unsigned int level, const wchar_t* format, ...) override
    {
        va_list args;
        va_start(args, format);
        wchar_t line[512];
        _vsnwprintf(line, 511, format, args);
        va_end(args);
        line[511] = L'\0';
        lines.push_back(std::to_wstring(level) + L":" + line);
    }
    std::vector<std::wstring> lines;
};

TEST(AccountLookup, TracesTheProcessTokenOnlyWithoutImpersonation)
{
    QvBase::CUniqueToken token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put()));
    std::wstring domain, name;
    QvBase::LookupTokenAccount(token.Get(), domain, name);

    CRecordingPrefix trace;
    QvBase::TraceRunningAccount(trace);
    ASSERT_EQ(1u, trace.lines.size());
    EXPECT_EQ(L"2:Process token:" + domain + L"\\" + name, trace.lines[0]);

    // Impersonating itself gives the thread a token of its own.
    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    trace.lines.clear();
    QvBase::TraceRunningAccount(trace);
    RevertToSelf();
    ASSERT_EQ(2u, trace.lines.size());
    EXPECT_EQ(L"2:Thread token:" + domain + L"\\" + name, trace.lines[0]);
}
} // namespace
