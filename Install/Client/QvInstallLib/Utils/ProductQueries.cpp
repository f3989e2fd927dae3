#include "ProductQueries.h"

#include "FuncTraceContext.h"
#include "QvVersion.h"
#include "RegistryKey.h"
#include "UniqueResource.h"

#include <windows.h>

namespace
{
// MsiEnumRelatedProductsW, which msi.dll exports as ordinal 205.
using EnumRelatedProducts = UINT(WINAPI*)(LPCWSTR upgradeCode, DWORD reserved, DWORD index,
                                          LPWSTR productCode);
constexpr WORD kEnumRelatedProductsOrdinal = 205;

bool HasRelatedProduct(EnumRelatedProducts enumerate, const wchar_t* upgradeCode)
{
    wchar_t productCode[40] = {};
    return enumerate(upgradeCode, 0, 0, productCode) == ERROR_SUCCESS;
}
} // namespace

ProductVersion GetQvsVersion()
{
    QV_LIB_FUNCTION(L"GetQvsVersion", L"utils");
    // 0.0.0.0 with an empty text until the registry says otherwise.
    ProductVersion version{std::wstring()};
    QvBase::CRegistryKey key(QvBase::CRegistryKey::RootLocalMachine);
    const LONG rc = key.OpenSub(kInstallVersionKey, /*create=*/false, QvBase::kKeyReadWrite);
    if (rc != ERROR_SUCCESS)
        trace.Trace(4, L"Read ver from registry failed: %d", rc);
    else
    {
        std::wstring text;
        key.GetString(L"version", text, std::wstring());
        version = ProductVersion(text);
    }
    trace.Trace(2, L"%s", version.Text().c_str());
    return version;
}

ProductVersion GetSetupVersion()
{
    return ProductVersion(QV_VERSION);
}

std::wstring GetInstalledProductLocale()
{
    QvBase::CRegistryKey key(QvBase::CRegistryKey::RootLocalMachine);
    std::wstring locale;
    if (key.OpenSub(kProductKey, /*create=*/false, KEY_READ) == ERROR_SUCCESS)
        key.GetString(L"ProductLocale", locale, std::wstring());
    return locale;
}

std::wstring GetDefaultProductLocale()
{
    return L"ru-RU";
}

bool IsProductInstalled()
{
    const QvBase::CUniqueModule msi(LoadLibraryW(L"msi.dll"));
    if (!msi)
        return false;
    const auto enumerate = reinterpret_cast<EnumRelatedProducts>(reinterpret_cast<void*>(
        GetProcAddress(msi.Get(), MAKEINTRESOURCEA(kEnumRelatedProductsOrdinal))));
    if (enumerate == nullptr)
        return false;
    for (const wchar_t* upgradeCode : kProductUpgradeCodes)
        if (HasRelatedProduct(enumerate, upgradeCode))
            return true;
    return false;
}
