#include "ResponseFileEncoding.h"

#include "Guid.h"
#include "UniqueResource.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace ResponseFileEncoding
{
namespace
{
constexpr BYTE kUtf16Mark[] = {0xFF, 0xFE};
constexpr BYTE kUtf16BigEndianMark[] = {0xFE, 0xFF};
constexpr BYTE kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
// A response file is a few kilobytes; anything beyond this is not one.
constexpr LONGLONG kLargestFile = 16 * 1024 * 1024;

template <size_t N> bool StartsWith(const std::vector<BYTE>& bytes, const BYTE (&mark)[N])
{
    return bytes.size() >= N && std::equal(mark, mark + N, bytes.begin());
}

// UTF-16 files take any text already.
bool IsUtf16(const std::vector<BYTE>& bytes)
{
    return StartsWith(bytes, kUtf16Mark) || StartsWith(bytes, kUtf16BigEndianMark);
}

DWORD ReadWholeFile(HANDLE file, std::vector<BYTE>& bytes)
{
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size))
        return GetLastError();
    if (size.QuadPart > kLargestFile)
        return ERROR_FILE_TOO_LARGE;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return GetLastError();
    bytes.resize(read);
    return ERROR_SUCCESS;
}

// The file's text as the profile functions read it: UTF-8 after its mark,
// else the ANSI code page.
std::wstring TextOf(const std::vector<BYTE>& bytes)
{
    const bool utf8 = StartsWith(bytes, kUtf8Mark);
    const size_t skip = utf8 ? sizeof kUtf8Mark : 0;
    if (bytes.size() <= skip)
        return std::wstring();
    const auto* text = reinterpret_cast<const char*>(bytes.data() + skip);
    const int size = static_cast<int>(bytes.size() - skip);
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const int length = MultiByteToWideChar(codePage, 0, text, size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text, size, wide.data(), length);
    return wide;
}

DWORD WriteUnicodeFile(const std::wstring& path, const std::wstring& text)
{
    const QvBase::CUniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError();
    std::vector<BYTE> bytes(std::begin(kUtf16Mark), std::end(kUtf16Mark));
    const auto* wide = reinterpret_cast<const BYTE*>(text.data());
    bytes.insert(bytes.end(), wide, wide + text.size() * sizeof(wchar_t));
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.Get()))
        return GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
    return ERROR_SUCCESS;
}

// The new text goes into a file of its own beside the old one, which it then
// replaces in one step (keeping the old file's attributes and security): a
// failure half-way leaves the old file whole.
DWORD ReplaceWithUnicode(const std::wstring& path, const std::wstring& text)
{
    const std::wstring fresh = path + L"." + QvBase::CGuid().ToString() + L".tmp";
    DWORD error = WriteUnicodeFile(fresh, text);
    if (error == ERROR_SUCCESS && !ReplaceFileW(path.c_str(), fresh.c_str(), nullptr,
                                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        error = GetLastError();
    if (error != ERROR_SUCCESS)
        DeleteFileW(fresh.c_str());
    return error;
}
} // namespace

void CreateUnicodeFile(const std::wstring& path)
{
    const QvBase::CUniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return; // it exists, or cannot be made: the first write tells
    DWORD written = 0;
    WriteFile(file.Get(), kUtf16Mark, sizeof kUtf16Mark, &written, nullptr);
}

bool FitsAnsiCodePage(const std::wstring& text)
{
    if (text.empty())
        return true;
    BOOL lossy = FALSE;
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr,
                                           0, nullptr, &lossy);
    return needed > 0 && !lossy;
}

DWORD MakeUnicode(const std::wstring& path)
{
    std::vector<BYTE> bytes;
    {
        const QvBase::CUniqueFileHandle file(
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
        {
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_NOT_FOUND)
                return error;
            CreateUnicodeFile(path);
            return ERROR_SUCCESS;
        }
        if (const DWORD error = ReadWholeFile(file.Get(), bytes))
            return error;
    }
    return IsUtf16(bytes) ? ERROR_SUCCESS : ReplaceWithUnicode(path, TextOf(bytes));
}
} // namespace ResponseFileEncoding
