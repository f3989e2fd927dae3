#include "RegistryKey.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>
#include <vector>

namespace
{
using QvBase::CRegistryKey;
using QvBase::CRegistryValue;

const wchar_t kTestKey[] = L"Software\\QvTest\\RegistryKey";

// Every test works below a key of its own under HKCU and removes it.
class RegistryKey : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
        ASSERT_EQ(ERROR_SUCCESS, key.OpenFrom(CRegistryKey(CRegistryKey::RootCurrentUser), kTestKey,
                                              true, KEY_ALL_ACCESS));
    }
    void TearDown() override
    {
        key.Close();
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\QvTest");
    }

    void Store(const wchar_t* name, DWORD type, const void* data, size_t bytes)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(key.Handle(), name, 0, type, static_cast<const BYTE*>(data),
                                 static_cast<DWORD>(bytes)));
    }

    CRegistryKey key;
};

TEST(RegistryKeyRoots, RootsHoldPredefinedHandlesAndNames)
{
    const struct
    {
        int index;
        HKEY handle;
        const wchar_t* path;
    } cases[] = {
        {0, nullptr, L"NONE"},
        {1, HKEY_CLASSES_ROOT, L"HKCR"},
        {2, HKEY_CURRENT_USER, L"HKCU"},
        {3, HKEY_LOCAL_MACHINE, L"HKLM"},
        {4, HKEY_USERS, L"HKU"},
        {5, HKEY_CURRENT_CONFIG, L"HKCC"},
        {6, HKEY_DYN_DATA, L"HKDD"},
        {7, nullptr, L""},
        {-1, nullptr, L""},
    };
    for (const auto& c : cases)
    {
        CRegistryKey root(c.index);
        EXPECT_EQ(c.handle, root.Handle()) << c.index;
        EXPECT_EQ(std::wstring(c.path), root.Path()) << c.index;
    }
}

TEST(RegistryKeyRoots, MisuseGivesCodesNotCrashes)
{
    CRegistryKey none;
    CRegistryKey target(CRegistryKey::RootCurrentUser);
    EXPECT_EQ(E_UNEXPECTED, target.OpenFrom(none, L"Software", false, KEY_READ));
    EXPECT_EQ(E_INVALIDARG, target.OpenFrom(CRegistryKey(2), nullptr, false, KEY_READ));
    EXPECT_EQ(E_INVALIDARG, none.OpenSub(L"Software", false, KEY_READ));
    CRegistryKey user(CRegistryKey::RootCurrentUser);
    EXPECT_EQ(E_INVALIDARG, user.OpenSub(nullptr, false, KEY_READ));
    CRegistryValue value;
    EXPECT_EQ(E_INVALIDARG, none.QueryValue(L"x", value));
    EXPECT_EQ(E_INVALIDARG, user.QueryValue(nullptr, value));
    EXPECT_EQ(E_INVALIDARG, none.SetValue(value));
    DWORD number = 1;
    EXPECT_EQ(E_INVALIDARG, none.GetDword(L"x", number, 7));
    EXPECT_EQ(7u, number);
}

TEST_F(RegistryKey, PathsFollowTheOpenedKeys)
{
    EXPECT_EQ(L"HKCU\\Software\\QvTest\\RegistryKey", key.Path());
    ASSERT_EQ(ERROR_SUCCESS, key.OpenSub(L"a\\b", true, KEY_ALL_ACCESS));
    EXPECT_EQ(L"HKCU\\Software\\QvTest\\RegistryKey\\a\\b", key.Path());

    CRegistryKey parent(CRegistryKey::RootCurrentUser);
    CRegistryKey child;
    ASSERT_EQ(ERROR_SUCCESS, child.OpenFrom(parent, L"Software\\QvTest", false, KEY_READ));
    EXPECT_EQ(L"HKCU\\Software\\QvTest", child.Path());
    // Opening again replaces the old key.
    ASSERT_EQ(ERROR_SUCCESS, child.OpenFrom(parent, kTestKey, false, KEY_READ));
    EXPECT_EQ(L"HKCU\\Software\\QvTest\\RegistryKey", child.Path());
    // Opening below itself walks down in place.
    ASSERT_EQ(ERROR_SUCCESS, child.OpenFrom(child, L"a", false, KEY_READ));
    EXPECT_EQ(L"HKCU\\Software\\QvTest\\RegistryKey\\a", child.Path());
}

TEST_F(RegistryKey, OpenSubOfAMissingKeyStaysWhereItWas)
{
    const HKEY before = key.Handle();
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.OpenSub(L"missing", false, KEY_READ));
    EXPECT_EQ(before, key.Handle());
    EXPECT_EQ(L"HKCU\\Software\\QvTest\\RegistryKey", key.Path());
    EXPECT_EQ(ERROR_SUCCESS, key.SetDword(L"still", 1));
}

TEST_F(RegistryKey, TypedValuesAndDefaults)
{
    ASSERT_EQ(ERROR_SUCCESS, key.SetDword(L"n", 0x12345678));
    Store(L"s", REG_SZ, L"text\0rest", 20);
    Store(L"e", REG_EXPAND_SZ, L"%TEMP%", 14);
    Store(L"empty", REG_SZ, L"", 0);
    Store(L"unterminated", REG_SZ, L"abc", 6);
    Store(L"short", REG_DWORD, "\x01\x02", 2);

    DWORD number = 0;
    EXPECT_EQ(ERROR_SUCCESS, key.GetDword(L"n", number, 9));
    EXPECT_EQ(0x12345678u, number);
    EXPECT_EQ(ERROR_SUCCESS, key.GetDword(L"s", number, 9)); // wrong type
    EXPECT_EQ(9u, number);
    EXPECT_EQ(ERROR_SUCCESS, key.GetDword(L"short", number, 9)); // too short to read
    EXPECT_EQ(9u, number);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.GetDword(L"missing", number, 4));
    EXPECT_EQ(4u, number);

    std::wstring text;
    const struct
    {
        const wchar_t* name;
        LONG rc;
        const wchar_t* out;
    } strings[] = {
        {L"s", ERROR_SUCCESS, L"text"},        {L"e", ERROR_SUCCESS, L"%TEMP%"},
        {L"empty", ERROR_SUCCESS, L"default"}, {L"unterminated", ERROR_SUCCESS, L"abc"},
        {L"n", ERROR_SUCCESS, L"default"},     {L"missing", ERROR_FILE_NOT_FOUND, L"default"},
    };
    for (const auto& c : strings)
    {
        EXPECT_EQ(c.rc, key.GetString(c.name, text, L"default")) << c.name;
        EXPECT_EQ(std::wstring(c.out), text) << c.name;
    }

    ASSERT_EQ(ERROR_SUCCESS, key.SetString(L"w", L"written"));
    EXPECT_EQ(ERROR_SUCCESS, key.GetString(L"w", text, L""));
    EXPECT_EQ(L"written", text);
}

TEST_F(RegistryKey, QueryValueReadsTypeAndBytes)
{
    Store(L"bin", REG_BINARY, "\x01\x02\x03", 3);
    Store(L"nothing", REG_BINARY, "", 0);
    CRegistryValue value;
    value.data = {9, 9};
    ASSERT_EQ(ERROR_SUCCESS, key.QueryValue(L"bin", value));
    EXPECT_EQ(L"bin", value.name);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), value.type);
    EXPECT_EQ((std::vector<BYTE>{1, 2, 3}), value.data);
    ASSERT_EQ(ERROR_SUCCESS, key.QueryValue(L"nothing", value));
    EXPECT_TRUE(value.data.empty());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.QueryValue(L"missing", value));
    EXPECT_EQ(0u, value.type);
}

TEST(RegistryMultiString, SplitsAsDocumented)
{
    using List = std::vector<std::wstring>;
    const struct
    {
        std::wstring data;
        List items;
    } cases[] = {
        {std::wstring(L"a\0b\0\0", 5), List{L"a", L"b"}},
        {std::wstring(L"a\0\0b\0\0", 6), List{L"a", L"", L"b"}},
        {std::wstring(L"a\0b\0", 4), List{L"a", L"b"}},
        {std::wstring(L"\0", 1), List{}},
        {std::wstring(L"a\0bc", 4), List{L"a"}},
        {std::wstring(L"\0\0", 2), List{L""}},
        {std::wstring(L"ab", 2), List{}},
        {std::wstring(), List{}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.items, QvBase::SplitMultiString(c.data.data(), c.data.size())) << c.data.size();
}

TEST_F(RegistryKey, MultiStringsRoundTrip)
{
    using List = std::vector<std::wstring>;
    for (const List& list : {List{}, List{L"one"}, List{L"a", L"", L"b"}, List{L"x", L""}})
    {
        ASSERT_EQ(ERROR_SUCCESS, key.SetMultiString(L"m", list));
        List read{L"stale"};
        EXPECT_EQ(ERROR_SUCCESS, key.GetMultiString(L"m", read));
        // An empty list is stored as one NUL, which reads back as no items.
        EXPECT_EQ(list, read);
    }
    CRegistryValue raw;
    ASSERT_EQ(ERROR_SUCCESS, key.SetMultiString(L"m", {}));
    ASSERT_EQ(ERROR_SUCCESS, key.QueryValue(L"m", raw));
    EXPECT_EQ(2u, raw.data.size());

    // Data of another type leaves the list as it was.
    ASSERT_EQ(ERROR_SUCCESS, key.SetDword(L"d", 1));
    List kept{L"kept"};
    EXPECT_EQ(ERROR_SUCCESS, key.GetMultiString(L"d", kept));
    EXPECT_EQ(List{L"kept"}, kept);
}

// Counts the failures it is told about and retries a given number of times,
// running a repair before each retry.
class CRetryingKey : public CRegistryKey
{
public:
    using CRegistryKey::CRegistryKey;

    struct Failure
    {
        LONG code;
        int operation;
        std::wstring path;
    };
    std::vector<Failure> failures;
    int retries = 0;
    void (*repair)() = nullptr;

protected:
    int OnError(LONG code, int operation, const std::wstring& path) override
    {
        failures.push_back({code, operation, path});
        if (retries == 0)
            return ActionGiveUp;
        --retries;
        if (repair != nullptr)
            repair();
        return ActionRetry;
    }
};

TEST_F(RegistryKey, OnErrorCanRetryAFailedOpen)
{
    CRetryingKey retrying(CRegistryKey::RootCurrentUser);
    retrying.retries = 1;
    retrying.repair = []
    {
        HKEY made = nullptr;
        RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\QvTest\\RegistryKey\\late", &made);
        RegCloseKey(made);
    };
    ASSERT_EQ(ERROR_SUCCESS,
              retrying.OpenSub(L"Software\\QvTest\\RegistryKey\\late", false, KEY_READ));
    ASSERT_EQ(1u, retrying.failures.size());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, retrying.failures[0].code);
    EXPECT_EQ(CRegistryKey::OperationOpen, retrying.failures[0].operation);
    EXPECT_EQ(L"HKCU\\Software\\QvTest\\RegistryKey\\late", retrying.failures[0].path);
}

TEST_F(RegistryKey, OnErrorGivingUpReturnsTheCode)
{
    CRetryingKey retrying;
    ASSERT_EQ(ERROR_SUCCESS, retrying.OpenFrom(CRegistryKey(CRegistryKey::RootCurrentUser),
                                               kTestKey, false, KEY_READ));
    CRegistryValue value;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, retrying.QueryValue(L"absent", value));
    // A read-only key refuses a write.
    EXPECT_NE(ERROR_SUCCESS, retrying.SetDword(L"w", 1));
    ASSERT_EQ(2u, retrying.failures.size());
    EXPECT_EQ(CRegistryKey::OperationRead, retrying.failures[0].operation);
    EXPECT_EQ(L"HKCU\\Software\\QvTest\\RegistryKey\"absent\"", retrying.failures[0].path);
    EXPECT_EQ(CRegistryKey::OperationWrite, retrying.failures[1].operation);
    EXPECT_EQ(L"HKCU\\Software\\QvTest\\RegistryKey\\w", retrying.failures[1].path);
    EXPECT_EQ(ERROR_ACCESS_DENIED, retrying.failures[1].code);

    // A failed create reports operation 3. (Wine lets a read-only parent
    // create subkeys, so the failure comes from a name beyond 255 characters.)
    CRetryingKey creating(CRegistryKey::RootCurrentUser);
    const std::wstring tooLong(300, L'k');
    EXPECT_NE(ERROR_SUCCESS, creating.OpenFrom(retrying, tooLong.c_str(), true, KEY_ALL_ACCESS));
    ASSERT_EQ(1u, creating.failures.size());
    EXPECT_EQ(CRegistryKey::OperationCreate, creating.failures[0].operation);
    EXPECT_FALSE(creating.IsOpen());
}

TEST_F(RegistryKey, CreationSecurityIsUsedForNewKeys)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
    CRegistryKey secured;
    secured.SetCreationSecurity(descriptor, false);
    EXPECT_EQ(ERROR_SUCCESS, secured.OpenFrom(key, L"secured", true, KEY_ALL_ACCESS));
}
} // namespace
