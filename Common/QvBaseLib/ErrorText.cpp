#include "ErrorText.h"

#include "ProductLocale.h"
#include "TextUtils.h"
#include "UniqueResource.h"

#include <windows.h>

namespace QvBase
{
namespace
{
constexpr int kInsertCount = 10;
// The name buffer the lookup copies the module name into.
constexpr size_t kModuleNameChars = 41;

bool InRange(unsigned int code, unsigned int first, unsigned int last)
{
    return code >= first && code <= last;
}

CUniqueModule LoadMessageModule(unsigned int code)
{
    const wchar_t* name = MessageModuleFor(code);
    if (name == nullptr)
        return CUniqueModule();
    wchar_t buffer[kModuleNameChars] = {};
    lstrcpynW(buffer, name, static_cast<int>(kModuleNameChars));
    return CUniqueModule(LoadLibraryExW(buffer, nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

std::wstring Describe(unsigned int code, const DWORD_PTR* arguments)
{
    // Read first: everything below may change the thread's last error.
    const unsigned int lookup = code == 0xFFFFFFFFu ? GetLastError() : code;
    const CUniqueModule module = LoadMessageModule(lookup);
    std::wstring text;
    if (FormatMessageText(module.Get(), lookup, GetProductLangId(), arguments, text) ||
        FormatMessageText(module.Get(), lookup, 0, arguments, text))
    {
        return CleanMessageText(std::move(text));
    }
    return FormatText(L"0x%08X (%u)", lookup, lookup);
}
} // namespace

bool FormatMessageText(HMODULE module, unsigned int code, DWORD language,
                       const DWORD_PTR* arguments, std::wstring& text)
{
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER;
    flags |= module != nullptr ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM;
    flags |= arguments == nullptr ? FORMAT_MESSAGE_IGNORE_INSERTS : FORMAT_MESSAGE_ARGUMENT_ARRAY;
    wchar_t* raw = nullptr;
    const DWORD length =
        FormatMessageW(flags, module, code, language, reinterpret_cast<wchar_t*>(&raw), 0,
                       reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(arguments)));
    const CUniqueLocal owned(raw);
    if (length == 0 || raw == nullptr)
        return false;
    text.assign(raw, length);
    return true;
}

const wchar_t* MessageModuleFor(unsigned int code)
{
    if ((code & 0x06000000u) == 0x06000000u)
        return L"QvError.dll";
    const unsigned int page = code & 0xFFFFF000u;
    if (page == 0x80005000u || page == 0x00005000u)
        return L"ActiveDS.dll";
    if ((code & 0xFFFF0000u) == 0xC0020000u)
        return L"NtDll.dll";
    if (InRange(code, 0x80041001u, 0x80041099u) || InRange(code, 0x80042001u, 0x80042003u) ||
        InRange(code, 0x80044001u, 0x80044031u))
        return L"wbem\\wmiutils.dll";
    return nullptr;
}

std::wstring CleanMessageText(std::wstring text)
{
    const size_t cr = text.rfind(L'\r');
    if (cr != std::wstring::npos)
        text.erase(cr);
    size_t pos = 0;
    while ((pos = text.find(L'%', pos)) != std::wstring::npos)
    {
        size_t end = pos + 1;
        while (end < text.size() && (text[end] == L'%' || (text[end] >= L'0' && text[end] <= L'9')))
            ++end;
        const size_t begin = pos > 0 && text[pos - 1] == L' ' ? pos - 1 : pos;
        text.erase(begin, end - begin);
        pos = begin;
    }
    return text;
}

std::wstring DescribeError(unsigned int code)
{
    return Describe(code, nullptr);
}

std::wstring DescribeError(unsigned int code, const wchar_t* insert1, const wchar_t* insert2,
                           const wchar_t* insert3, const wchar_t* insert4)
{
    // %1 to %10 are always defined; a null insert reads as an empty one.
    const wchar_t* given[] = {insert1, insert2, insert3, insert4};
    DWORD_PTR arguments[kInsertCount];
    for (int i = 0; i < kInsertCount; ++i)
    {
        const wchar_t* insert = i < 4 && given[i] != nullptr ? given[i] : L"";
        arguments[i] = reinterpret_cast<DWORD_PTR>(insert);
    }
    return Describe(code, arguments);
}

std::wstring FormatErrorCode(unsigned int code)
{
    return FormatText(L"0x%08X", code);
}

} // namespace QvBase
