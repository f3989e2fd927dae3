#include "TraceLineText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <type_traits>
#include <utility>

namespace
{
using QvBase::CTraceLineText;

// The lines were built by a wide stream before: each piece must read as the
// stream wrote it, which the test keeps as the reference.
template <typename T> std::wstring StreamText(const T& value)
{
    std::wostringstream stream;
    stream << value;
    return stream.str();
}

template <typename T> std::wstring LineText(const T& value)
{
    CTraceLineText text;
    text << value;
    return text.Text();
}

struct IntCase
{
    int value;
    const wchar_t* expected;
};

// The values the lines carry: product states (-1 unknown, 5 installed), 0/1
// flags; a slip to unsigned or hex shows at the negative and the large ones.
TEST(TraceLineText, IntsInSignedDecimal)
{
    const IntCase cases[] = {{0, L"0"},
                             {1, L"1"},
                             {-1, L"-1"},
                             {5, L"5"},
                             {1056, L"1056"},
                             {INT_MAX, L"2147483647"},
                             {INT_MIN, L"-2147483648"}};
    for (const IntCase& c : cases)
    {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(c.expected, LineText(c.value));
        EXPECT_EQ(StreamText(c.value), LineText(c.value));
    }
}

struct DwordCase
{
    DWORD value;
    const wchar_t* expected;
};

// Service types, start types, states and Windows error codes: a slip to
// signed shows above 0x7FFFFFFF, one to hex at 16 and beyond.
TEST(TraceLineText, DwordsInUnsignedDecimal)
{
    const DwordCase cases[] = {{0, L"0"},
                               {SERVICE_RUNNING, L"4"},
                               {SERVICE_KERNEL_DRIVER, L"1"},
                               {SERVICE_WIN32_OWN_PROCESS, L"16"},
                               {ERROR_SERVICE_MARKED_FOR_DELETE, L"1072"},
                               {0x80000000ul, L"2147483648"},
                               {0xE6000002ul, L"3858759682"},
                               {0xFFFFFFFFul, L"4294967295"}};
    for (const DwordCase& c : cases)
    {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(c.expected, LineText(c.value));
        EXPECT_EQ(StreamText(c.value), LineText(c.value));
    }
}

// Texts go in as they are: literals, pointers and strings alike, with no
// format reading of '%' and nothing cut at a character outside ASCII.
TEST(TraceLineText, TextsAsTheyAre)
{
    const std::wstring path = L"C:\\Program Files\\Quorvel\\100% \x0424\x0430\x0439\x043B.exe";
    EXPECT_EQ(path, LineText(path));
    EXPECT_EQ(path, LineText(path.c_str()));
    EXPECT_EQ(L" File is RO ", LineText(L" File is RO "));
    EXPECT_EQ(L"", LineText(std::wstring()));
    EXPECT_EQ(L"", LineText(static_cast<const wchar_t*>(nullptr)));
}

// A whole line as a scope builds one: pieces follow each other with nothing
// between them.
TEST(TraceLineText, PiecesInOrder)
{
    CTraceLineText text;
    const DWORD state = SERVICE_STOPPED;
    text << L"CreateDriver" << L" { " << std::wstring(L"QvDrv") << L", " << state << L", " << -1
         << L"}";
    EXPECT_EQ(L"CreateDriver { QvDrv, 1, -1}", text.Text());
}

template <typename T, typename = void> struct Accepted : std::false_type
{
};
template <typename T>
struct Accepted<T, std::void_t<decltype(std::declval<CTraceLineText&>() << std::declval<T>())>>
    : std::true_type
{
};

// A stream would have written these in a way of its own (bool as 1/0, a
// narrow text as characters, a pointer in hex): the caller says which text.
static_assert(Accepted<int>::value && Accepted<DWORD>::value && Accepted<const wchar_t*>::value &&
              Accepted<std::wstring>::value);
static_assert(!Accepted<bool>::value && !Accepted<LONG>::value && !Accepted<const char*>::value &&
              !Accepted<void*>::value && !Accepted<double>::value && !Accepted<wchar_t>::value);
} // namespace
