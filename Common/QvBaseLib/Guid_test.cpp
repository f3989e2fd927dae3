#include "Guid.h"

#include <gtest/gtest.h>

#include <cwctype>

namespace
{
TEST(Guid, NewGuidsAreValidDistinctAndInRegistryForm)
{
    const QvBase::CGuid first;
    const QvBase::CGuid second;
    ASSERT_TRUE(first.IsValid());
    const std::wstring text = first.ToString();
    ASSERT_EQ(38u, text.size());
    EXPECT_EQ(L'{', text.front());
    EXPECT_EQ(L'}', text.back());
    for (size_t i = 1; i < 37; ++i)
    {
        if (i == 9 || i == 14 || i == 19 || i == 24)
            EXPECT_EQ(L'-', text[i]) << i;
        else
            EXPECT_TRUE(std::iswxdigit(text[i]) && !std::iswlower(text[i])) << i;
    }
    EXPECT_NE(text, second.ToString());
    EXPECT_NE(0, memcmp(&first.Get(), &second.Get(), sizeof(GUID)));
}
} // namespace
