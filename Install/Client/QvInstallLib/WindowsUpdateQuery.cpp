#include "WindowsUpdateQuery.h"

#include "TraceLineScope.h"

#include <windows.h>
#include <wbemcli.h>

#include <memory>
#include <string>

namespace
{
const CLSID kWbemLocatorClass = {
    0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
const IID kWbemLocatorInterface = {
    0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

struct Release
{
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T> using ComHolder = std::unique_ptr<T, Release>;

struct FreeString
{
    void operator()(BSTR text) const { SysFreeString(text); }
};
using BstrHolder = std::unique_ptr<OLECHAR, FreeString>;

BstrHolder MakeBstr(const std::wstring& text)
{
    return BstrHolder(SysAllocString(text.c_str()));
}

// COM for this thread while the query runs, undone only when this made it.
class CComApartment
{
public:
    CComApartment() : initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~CComApartment()
    {
        if (initialised)
            CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    bool initialised;
};

ComHolder<IWbemServices> ConnectToCimv2()
{
    IWbemLocator* rawLocator = nullptr;
    if (FAILED(CoCreateInstance(kWbemLocatorClass, nullptr, CLSCTX_INPROC_SERVER,
                                kWbemLocatorInterface, reinterpret_cast<void**>(&rawLocator))))
        return nullptr;
    ComHolder<IWbemLocator> locator(rawLocator);
    IWbemServices* rawServices = nullptr;
    BstrHolder space = MakeBstr(L"\\\\.\\root\\cimv2");
    if (FAILED(locator->ConnectServer(space.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                      &rawServices)))
        return nullptr;
    ComHolder<IWbemServices> services(rawServices);
    if (FAILED(CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                 EOAC_NONE)))
        return nullptr;
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
    ComHolder<IWbemServices> services = ConnectToCimv2();
    if (!services)
        return false;
    BstrHolder language = MakeBstr(L"WQL");
    BstrHolder query =
        MakeBstr(std::wstring(L"select * from win32_quickfixengineering where hotfixid='KB") +
                 number + L"'");
    IEnumWbemClassObject* rawResults = nullptr;
    if (FAILED(services->ExecQuery(language.get(), query.get(), 0, nullptr, &rawResults)))
        return false;
    ComHolder<IEnumWbemClassObject> results(rawResults);
    IWbemClassObject* rawObject = nullptr;
    ULONG returned = 0;
    results->Next(0, 1, &rawObject, &returned);
    ComHolder<IWbemClassObject> object(rawObject);
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
        CComApartment apartment;
        // Fails harmlessly when the process has set its security already.
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
        installed = QueryUpdate(number);
    }
    line << L" " << (installed ? 1 : 0);
    return installed;
}
