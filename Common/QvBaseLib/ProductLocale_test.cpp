#include "ProductLocale.h"

#include "RegistryKey.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

// The main module's fallback export; a test switches it on.
namespace
{
bool standaloneActive = false;
}

extern "C" __declspec(dllexport) DWORD WINAPI StandaloneProductLocale(wchar_t* buffer, DWORD* size)
{
    if (!standaloneActive)
        return ERROR_FILE_NOT_FOUND;
    if (buffer == nullptr || size == nullptr || *size < 6)
        return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(buffer, L"ru-RU", 6 * sizeof(wchar_t));
    *size = 6;
    return ERROR_SUCCESS;
}

namespace
{
using QvBase::CRegistryKey;
using QvBase::CRegistryValue;

constexpr REGSAM kAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY;

// Saves HKLM\SOFTWARE\Dravisk\Quorvel's "ProductLocale" and puts back what
// was there, removing the keys it had to create.
class ProductLocaleMachine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HKEY probe = nullptr;
        createdVendor = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Dravisk", 0,
                                      KEY_READ | KEY_WOW64_64KEY, &probe) != ERROR_SUCCESS;
        if (probe != nullptr)
            RegCloseKey(probe);
        CRegistryKey root(CRegistryKey::RootLocalMachine);
        createdProduct = root.OpenSub(L"SOFTWARE\\Dravisk\\Quorvel", false, kAccess) != 0;
        if (!createdProduct)
            hadValue = root.QueryValue(L"ProductLocale", saved) == ERROR_SUCCESS;
        ASSERT_EQ(ERROR_SUCCESS, key.OpenFrom(CRegistryKey(CRegistryKey::RootLocalMachine),
                                              L"SOFTWARE\\Dravisk\\Quorvel", true, kAccess));
        RegDeleteValueW(key.Handle(), L"ProductLocale");
    }

    void TearDown() override
    {
        standaloneActive = false;
        if (hadValue)
            key.SetValue(saved);
        else
            RegDeleteValueW(key.Handle(), L"ProductLocale");
        key.Close();
        if (createdProduct)
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Dravisk\\Quorvel", KEY_WOW64_64KEY, 0);
        if (createdVendor)
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Dravisk", KEY_WOW64_64KEY, 0);
    }

    void Store(DWORD type, const void* data, size_t bytes)
    {
        CRegistryValue value;
        value.name = L"ProductLocale";
        value.type = type;
        const BYTE* begin = static_cast<const BYTE*>(data);
        value.data.assign(begin, begin + bytes);
        ASSERT_EQ(ERROR_SUCCESS, key.SetValue(value));
    }

    CRegistryKey key;
    CRegistryValue saved;
    bool hadValue = false;
    bool createdVendor = false;
    bool createdProduct = false;
};

TEST_F(ProductLocaleMachine, ValueRules)
{
    const DWORD number = 1049;
    const wchar_t noTerminator[] = L"es-ESx";
    const wchar_t longName[] = L"0123456789abcdefghij";
    const struct
    {
        const wchar_t* what;
        DWORD type;
        const void* data;
        size_t bytes;
        DWORD result;
        const wchar_t* name;
        DWORD language;
    } cases[] = {
        {L"en-US", REG_SZ, L"en-US", 12, ERROR_SUCCESS, L"en-US", 1033},
        {L"es-ES expand", REG_EXPAND_SZ, L"es-ES", 12, ERROR_SUCCESS, L"es-ES", 3082},
        {L"es", REG_SZ, L"es", 6, ERROR_INVALID_DATA, nullptr, 1049},
        {L"DWORD", REG_DWORD, &number, 4, ERROR_INVALID_DATA, nullptr, 1049},
        {L"multi", REG_MULTI_SZ, L"en-US", 12, ERROR_INVALID_DATA, nullptr, 1049},
        {L"unterminated", REG_SZ, noTerminator, 12, ERROR_INVALID_DATA, nullptr, 1049},
        {L"over 32 bytes", REG_SZ, longName, sizeof(longName), ERROR_MORE_DATA, nullptr, 1049},
        {L"unknown name", REG_SZ, L"xx-YY", 12, ERROR_SUCCESS, L"xx-YY", 1049},
    };
    for (const auto& c : cases)
    {
        Store(c.type, c.data, c.bytes);
        wchar_t name[8] = {};
        DWORD size = 8;
        EXPECT_EQ(c.result, QvBase::GetProductLocale(name, &size)) << c.what;
        if (c.name != nullptr)
        {
            EXPECT_STREQ(c.name, name) << c.what;
            EXPECT_EQ(6u, size) << c.what;
        }
        EXPECT_EQ(c.language, QvBase::ReadProductLangId()) << c.what;
    }
}

TEST_F(ProductLocaleMachine, BufferRules)
{
    Store(REG_SZ, L"en-US", 12);
    EXPECT_EQ(87u, QvBase::GetProductLocale(nullptr, nullptr));
    wchar_t name[8] = L"unset";
    EXPECT_EQ(87u, QvBase::GetProductLocale(name, nullptr));
    DWORD size = 5;
    EXPECT_EQ(122u, QvBase::GetProductLocale(name, &size));
    EXPECT_EQ(6u, size);
    EXPECT_STREQ(L"unset", name);
    size = 6;
    EXPECT_EQ(0u, QvBase::GetProductLocale(name, &size));
    EXPECT_STREQ(L"en-US", name);
}

TEST_F(ProductLocaleMachine, MissingValueAsksTheMainModule)
{
    wchar_t name[8] = {};
    DWORD size = 8;
    // The export answers "not found" until switched on.
    EXPECT_EQ(2u, QvBase::GetProductLocale(name, &size));
    EXPECT_EQ(1049u, QvBase::ReadProductLangId());

    standaloneActive = true;
    EXPECT_EQ(0u, QvBase::GetProductLocale(name, &size));
    EXPECT_STREQ(L"ru-RU", name);
    EXPECT_EQ(1049u, QvBase::ReadProductLangId());

    // A value that is present but wrong is not handed to the export.
    Store(REG_DWORD, &size, 4);
    EXPECT_EQ(13u, QvBase::GetProductLocale(name, &size));
}

TEST_F(ProductLocaleMachine, LanguageIsKeptForTheProcess)
{
    const DWORD first = QvBase::GetProductLangId();
    Store(REG_SZ, first == 1033 ? L"es-ES" : L"en-US", 12);
    EXPECT_EQ(first, QvBase::GetProductLangId());
    EXPECT_NE(first, QvBase::ReadProductLangId());
}
} // namespace
