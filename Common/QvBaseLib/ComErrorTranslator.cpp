#include "ComErrorTranslator.h"

#include "ErrorText.h"
#include "TextUtils.h"
#include "UniqueResource.h"
#include "qvexception.h"

#include <comdef.h>

#include <string>

namespace QvBase
{
namespace
{
constexpr const wchar_t* kSource = L"Common/QvBaseLib/snexception";
constexpr const wchar_t* kFunction = L"QvBase::CComErrorTranslator::Translator";

// Text of a BSTR-returning getter of IErrorInfo; empty when it fails.
template <typename Getter> std::wstring ReadInfoText(Getter get)
{
    CUniqueBstr text;
    std::wstring result;
    if (SUCCEEDED(get(text.Put())) && text)
        result.assign(text.Get(), SysStringLen(text.Get()));
    return result;
}
} // namespace

std::wstring ComErrorMessage(HRESULT code)
{
    // _com_error::ErrorMessage formats without FORMAT_MESSAGE_IGNORE_INSERTS,
    // so every system text holding "%1" came back as "Unknown error".
    std::wstring text;
    if (FormatMessageText(/*module=*/nullptr, static_cast<unsigned int>(code), LANG_USER_DEFAULT,
                          /*arguments=*/nullptr, text))
    {
        if (!text.empty() && text.back() == L'\n')
        {
            text.pop_back();
            if (!text.empty() && text.back() == L'\r')
                text.pop_back();
        }
        return text;
    }
    const unsigned int value = static_cast<unsigned int>(code);
    const unsigned int dispatchCode = (value - 0x200u) & 0xFFFFu;
    if (value >= 0x80040200u && value <= 0x8004FFFFu && dispatchCode != 0)
        return FormatText(L"IDispatch error #%d", static_cast<int>(dispatchCode));
    return FormatText(L"Unknown error 0x%0lX", static_cast<unsigned long>(value));
}

void WINAPI CComErrorTranslator::Translator(HRESULT code, IErrorInfo* info)
{
    // Takes over the caller's reference: released when this frame unwinds.
    const _com_error error(code, info, /*addRef=*/false);
    const unsigned int value = static_cast<unsigned int>(code);
    wchar_t codeText[32];
    _snwprintf(codeText, 32, L"0x%08X (%u)", value, value);
    codeText[31] = L'\0';
    const std::wstring messageText = ComErrorMessage(code);

    if (info != nullptr)
    {
        const std::wstring description =
            ReadInfoText([info](BSTR* out) { return info->GetDescription(out); });
        const std::wstring source =
            ReadInfoText([info](BSTR* out) { return info->GetSource(out); });
        ThrowError(0xE6060002, kSource, 1958, kFunction, codeText, messageText.c_str(),
                   description.c_str(), source.c_str());
    }
    ThrowError(0xE6060001, kSource, 1962, kFunction, codeText, messageText.c_str());
}

void CComErrorTranslator::Install()
{
    _set_com_error_handler(&CComErrorTranslator::Translator);
}
} // namespace QvBase
