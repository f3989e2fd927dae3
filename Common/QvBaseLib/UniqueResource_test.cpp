#include "UniqueResource.h"

#include <gtest/gtest.h>

namespace QvBase
{
TEST(UniqueResource, ReleaseKeepsLastErrorAndOwnershipMoves)
{
    CUniqueHandle event(
        CreateEventW(nullptr, /*manualReset=*/TRUE, /*initialState=*/FALSE, nullptr));
    ASSERT_TRUE(event.IsValid());
    CUniqueHandle moved(std::move(event));
    EXPECT_FALSE(event.IsValid());
    EXPECT_TRUE(moved.IsValid());

    SetLastError(1234);
    moved.Reset();
    EXPECT_EQ(1234u, GetLastError());
    EXPECT_FALSE(moved.IsValid());
}

TEST(UniqueResource, FileHandleNoneIsInvalidHandleValue)
{
    CUniqueFileHandle file;
    EXPECT_FALSE(file.IsValid());
    EXPECT_EQ(INVALID_HANDLE_VALUE, file.Get());
    CUniqueHandle none;
    EXPECT_EQ(nullptr, none.Get());
}

TEST(UniqueResource, PutReleasesTheOldValue)
{
    CUniqueKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Put()));
    // A second open through Put closes the first key instead of leaking it.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Put()));
    EXPECT_TRUE(key.IsValid());
    HKEY taken = key.Release();
    EXPECT_FALSE(key.IsValid());
    RegCloseKey(taken);
}

TEST(UniqueResource, ComApartmentUndoesOnlyWhatItDid)
{
    CComApartment outer;
    EXPECT_TRUE(SUCCEEDED(outer.Result()));
    {
        CComApartment other(COINIT_APARTMENTTHREADED);
        EXPECT_EQ(RPC_E_CHANGED_MODE, other.Result());
    }
    TComPtr<IUnknown> none;
    EXPECT_FALSE(none);
}
} // namespace QvBase
