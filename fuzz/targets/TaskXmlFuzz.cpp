// Task and result documents as the registry or a section may hold them after
// a careless hand or a dying agent: parsed by every task kind and as plain and
// patch results. Bad documents end in the program's own error (the COM error
// translator is installed, as in SCCM mode); a task that reads a document
// writes it back in a form that reads back to the same form.
#include "ComErrorTranslator.h"
#include "FuzzInput.h"
#include "InstallTaskKinds.h"
#include "InstallTaskResult.h"
#include "ParseDecimal.h"
#include "qvexception.h"

#include <algorithm>
#include <climits>
#include <string>

namespace
{
// wcstol in base 10 with Windows' 32-bit long, written apart.
int ReferenceDecimal(const std::wstring& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
        value = std::min<long long>(value * 10 + (text[i] - L'0'), 1LL << 32);
    value = negative ? -value : value;
    return static_cast<int>(std::max<long long>(std::min<long long>(value, INT_MAX), INT_MIN));
}

void ReadsBackAsWritten(int type, const std::wstring& text)
{
    const auto task = CreateTaskOfType(type, L"{00000000-0000-0000-0000-000000000000}");
    QvFuzz::Check(task != nullptr, "no task of a known type");
    task->InitFromXml(text);
    const std::wstring written = task->SerializeToXml();
    // A patch task's reader keeps each path with the separator its writer
    // appends, for the agent's source text: that kind is written by the
    // setup and read by the agent, never written again.
    if (type == TaskApplyPatches)
        return;
    const auto again = CreateTaskOfType(type, L"{00000000-0000-0000-0000-000000000000}");
    again->InitFromXml(written);
    QvFuzz::Check(again->SerializeToXml() == written, "a written task reads back differently");
}

template <typename F> void OwnErrorsOnly(F parse)
{
    try
    {
        parse();
    }
    catch (const QvBase::CQvError&)
    {
        // A document that is not one: the program's own error, as it should be.
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool translatorInstalled = []
    {
        QvBase::CComErrorTranslator::Install();
        return true;
    }();
    (void)translatorInstalled;
    if (size == 0)
        return 0;
    std::wstring text = QvFuzz::WideBytes(data + 1, size - 1);
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));

    // Beyond ASCII the C library's idea of white space is its own.
    if (text.find_first_not_of(L"\x01\x02\x03\x04\x05\x06\x07\x08\t\n\v\f\r !\"#$%&'()*+,-./"
                               L"0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
                               L"abcdefghijklmnopqrstuvwxyz{|}~") == std::wstring::npos)
        QvFuzz::Check(ParseDecimal(text) == ReferenceDecimal(text), "ParseDecimal");
    const int kinds[] = {TaskInstall, TaskRepair, TaskUninstall, TaskUpgrade, TaskApplyPatches};
    OwnErrorsOnly([&] { ReadsBackAsWritten(kinds[data[0] % 5], text); });
    OwnErrorsOnly([&] { CInstallTaskResult result(text); });
    OwnErrorsOnly([&] { CPatchInstallTaskResult result(text); });
    return 0;
}
