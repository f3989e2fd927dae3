#include "AccountLookup.h"

#include "TracePrefix.h"
#include "UniqueResource.h"

#include <vector>

namespace QvBase
{
namespace
{
bool LookupSid(PSID sid, std::wstring& domain, std::wstring& name)
{
    // Most names fit in 32 characters; a longer one reports its size.
    DWORD nameSize = 32, domainSize = 32;
    std::vector<wchar_t> nameBuffer(nameSize), domainBuffer(domainSize);
    SID_NAME_USE use;
    BOOL ok = LookupAccountSidW(nullptr, sid, nameBuffer.data(), &nameSize, domainBuffer.data(),
                                &domainSize, &use);
    if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER)
    {
        nameBuffer.resize(nameSize);
        domainBuffer.resize(domainSize);
        ok = LookupAccountSidW(nullptr, sid, nameBuffer.data(), &nameSize, domainBuffer.data(),
                               &domainSize, &use);
    }
    name = ok ? nameBuffer.data() : L"";
    domain = ok ? domainBuffer.data() : L"";
    return true;
}

void TraceTokenLine(CTracePrefix& trace, HANDLE token, const wchar_t* format)
{
    std::wstring domain, name;
    if (LookupTokenAccount(token, domain, name))
        trace.Trace(2, format, domain.c_str(), name.c_str());
}
} // namespace

bool LookupTokenAccount(HANDLE token, std::wstring& domain, std::wstring& name)
{
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0)
        return false;
    std::vector<BYTE> user(size);
    if (!GetTokenInformation(token, TokenUser, user.data(), size, &size))
        return false;
    return LookupSid(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, domain, name);
}

void TraceRunningAccount(CTracePrefix& trace)
{
    CUniqueToken thread;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, /*OpenAsSelf=*/TRUE, thread.Put()))
        TraceTokenLine(trace, thread.Get(), L"Thread token:%s\\%s");
    CUniqueToken process;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, process.Put()))
        TraceTokenLine(trace, process.Get(), L"Process token:%s\\%s");
}
} // namespace QvBase
