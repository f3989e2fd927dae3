// The text of the load summary, secret values masked.
#include "LoadSummary.h"

#include <gtest/gtest.h>

namespace
{
TEST(LoadSummary, SecretKeys)
{
    struct Case
    {
        const wchar_t* key;
        bool secret;
    };
    const Case cases[] = {
        {L"password", true},        {L"PASSWORD", true},   {L"QvxUninstPwd", true},
        {L"qvxuninstpwd", true},    {L"DbPassword", true}, {L" password ", true},
        {L"SqlPasswordHint", true}, {L"user", false},      {L"pwd", false},
        {L"QvxUninstPwdX", false},  {L"pass word", false}, {L"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.secret, IsSecretKey(c.key)) << c.key;
}

TEST(LoadSummary, TextMasksSecretValuesOnly)
{
    QvBase::CTracePrefix silent(nullptr, nullptr, 0);
    CLoadSummary summary(silent);
    summary.AddValue(L"Installdir", L"C:\\Q");
    summary.AddValue(L"password", L"s3cret");
    summary.AddValue(L"QvxUninstPwd", L"");
    summary.EndLine();
    summary.BeginSection(L"Common");
    summary.AddEntry(L"Password=x=y");
    summary.AddEntry(L"password");
    summary.AddEntry(L"user=admin");
    summary.EndLine();
    // An empty secret stays empty: it tells that none was given, and hides nothing.
    EXPECT_EQ(L"Installdir=C:\\Q;password=***;QvxUninstPwd=;\r\n"
              L"Common:Password=***;password;user=admin;\r\n",
              summary.Text());
}
} // namespace
