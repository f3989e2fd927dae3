#include "WindowsUpdateQuery.h"

#include "TraceLineScope.h"
#include "UniqueResource.h"

#include <windows.h>
#include <wbemcli.h>

#include <string>

namespace
{
const CLSID kWbemLocatorClass = {
    0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
const IID kWbemLocatorInterface = {
    0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

using QvBase::CUniqueBstr;
using QvBase::TComPtr;

CUniqueBstr MakeBstr(const std::wstring& text)
{
    return CUniqueBstr(SysAllocString(text.c_str()));
}

TComPtr<IWbemServices> ConnectToCimv2()
{
    TComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(kWbemLocatorClass, nullptr, CLSCTX_INPROC_SERVER,
                                kWbemLocatorInterface, locator.PutVoid())))
        return {};
    TComPtr<IWbemServices> services;
    const CUniqueBstr space = MakeBstr(L"\\\\.\\root\\cimv2");
    if (FAILED(locator->ConnectServer(space.Get(), nullptr, nullptr, nullptr, /*securityFlags=*/0,
                                      nullptr, nullptr, services.Put())))
        return {};
    if (FAILED(CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                 EOAC_NONE)))
        return {};
    return services;
}

// Only digits may reach the query text: a quote would change the query.
bool IsUpdateNumber(const wchar_t* number)
{
    if (number == nullptr || *number == L'\0')
        return false;
    for (const wchar_t* c = number; *c != L'\0'; ++c)
        if (*c < L'0' || *c > L'9')
            return false;
    return true;
}

bool QueryUpdate(const wchar_t* number)
{
    const TComPtr<IWbemServices> services = ConnectToCimv2();
    if (!services)
        return false;
    const CUniqueBstr language = MakeBstr(L"WQL");
    const CUniqueBstr query =
        MakeBstr(std::wstring(L"select * from win32_quickfixengineering where hotfixid='KB") +
                 number + L"'");
    TComPtr<IEnumWbemClassObject> results;
    if (FAILED(
            services->ExecQuery(language.Get(), query.Get(), /*flags=*/0, nullptr, results.Put())))
        return false;
    TComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    results->Next(/*timeout=*/0, /*count=*/1, object.Put(), &returned);
    return returned == 1;
}
} // namespace

bool IsWindowsUpdateInstalledViaWMI(const wchar_t* number)
{
    QvBase::CTraceLineScope line(L"IsWindowsUpdateInstalledViaWMI");
    line << (number != nullptr ? number : L"");
    bool installed = false;
    if (IsUpdateNumber(number))
    {
        const QvBase::CComApartment apartment;
        // Fails harmlessly when the process has set its security already.
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
        installed = QueryUpdate(number);
    }
    line << L" " << (installed ? 1 : 0);
    return installed;
}
