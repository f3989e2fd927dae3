#include "buffer.h"

#include "qvexception.h"

#include <gtest/gtest.h>

namespace
{
using QvBase::CBuffer;

TEST(Buffer, ResizeGivesZeroedCharacters)
{
    CBuffer<wchar_t> buffer(8);
    ASSERT_NE(nullptr, buffer.Get());
    EXPECT_EQ(8u, buffer.Count());
    for (size_t i = 0; i < buffer.Count(); ++i)
        EXPECT_EQ(L'\0', buffer[i]);
    buffer[0] = L'x';
    buffer.Resize(4);
    EXPECT_EQ(4u, buffer.Count());
    EXPECT_EQ(L'\0', buffer[0]);
}

TEST(Buffer, ResizeToZeroFreesTheContents)
{
    CBuffer<wchar_t> buffer(3);
    buffer.Resize(0);
    EXPECT_EQ(nullptr, buffer.Get());
    EXPECT_EQ(0u, buffer.Count());
    CBuffer<wchar_t> empty(0);
    EXPECT_EQ(nullptr, empty.Get());
}

class CPlace : public QvBase::CQvError
{
public:
    explicit CPlace(const QvBase::CQvError& error) : CQvError(error) {}
    std::wstring Get(const wchar_t* key) { return properties[key]; }
};

TEST(Buffer, AllocationFailureRaisesCodeFourteen)
{
    CBuffer<wchar_t> buffer(2);
    try
    {
        buffer.Resize(size_t(1) << 62);
    }
    catch (const QvBase::CQvError& error)
    {
        EXPECT_EQ(14u, error.Code());
        CPlace place(error);
        EXPECT_EQ(L"Common/QvBaseLib/buffer", place.Get(L"File"));
        EXPECT_EQ(L"84", place.Get(L"Line"));
        EXPECT_EQ(L"QvBase::CBuffer<wchar_t>::Resize", place.Get(L"Function"));
        EXPECT_EQ(nullptr, buffer.Get());
        EXPECT_EQ(0u, buffer.Count());
        return;
    }
    FAIL() << "nothing was thrown";
}
} // namespace
