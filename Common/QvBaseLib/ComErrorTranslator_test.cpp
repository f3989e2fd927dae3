#include "ComErrorTranslator.h"

#include "ErrorText.h"
#include "dlls.h"
#include "qvexception.h"

#include <comdef.h>
#include <gtest/gtest.h>

#include <string>

namespace
{
using QvBase::CComErrorTranslator;
using QvBase::CQvError;

// Error information as a failing component would supply it.
class CFakeErrorInfo : public IErrorInfo
{
public:
    CFakeErrorInfo(const wchar_t* description, const wchar_t* source)
        : description(description), source(source)
    {
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override
    {
        *guid = GUID();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* out) override { return Text(source, out); }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* out) override { return Text(description, out); }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* out) override { return Text(nullptr, out); }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* out) override
    {
        *out = 0;
        return S_OK;
    }

    ULONG references = 1;

private:
    static HRESULT Text(const wchar_t* text, BSTR* out)
    {
        *out = text != nullptr ? SysAllocString(text) : nullptr;
        return text != nullptr ? S_OK : E_FAIL;
    }
    const wchar_t* description;
    const wchar_t* source;
};

struct Raised
{
    unsigned int code = 0;
    std::wstring description;
    std::wstring dump;
};

Raised Translate(HRESULT code, IErrorInfo* info)
{
    Raised r;
    try
    {
        CComErrorTranslator::Translator(code, info);
    }
    catch (CQvError& e)
    {
        r.code = e.Code();
        r.description = e.Description();
        r.dump = e.Dump();
    }
    return r;
}

std::wstring SystemText(HRESULT code)
{
    _com_error error(code);
    return error.ErrorMessage();
}

TEST(ComErrorTranslator, WithoutErrorInformation)
{
    const Raised r = Translate(E_FAIL, nullptr);
    EXPECT_EQ(0xE6060001u, r.code);
    EXPECT_NE(std::wstring::npos, r.description.find(L"0x80004005 (2147500037)"));
    EXPECT_NE(std::wstring::npos, r.description.find(SystemText(E_FAIL)));
    EXPECT_NE(std::wstring::npos, r.dump.find(L"File: Common/QvBaseLib/snexception\r\n"));
    EXPECT_NE(std::wstring::npos, r.dump.find(L"Line: 1962\r\n"));
    EXPECT_NE(std::wstring::npos,
              r.dump.find(L"Function: QvBase::CComErrorTranslator::Translator\r\n"));
}

TEST(ComErrorTranslator, WithErrorInformationInsertsInOrder)
{
    CFakeErrorInfo info(L"Bad node", L"Parser");
    info.AddRef(); // the translator takes over this reference
    const Raised r = Translate(E_FAIL, &info);
    EXPECT_EQ(0xE6060002u, r.code);
    const size_t code = r.description.find(L"0x80004005 (2147500037)");
    const size_t system = r.description.find(SystemText(E_FAIL), code);
    const size_t description = r.description.find(L"Bad node", system);
    const size_t source = r.description.find(L"Parser", description);
    EXPECT_NE(std::wstring::npos, code);
    EXPECT_NE(std::wstring::npos, system);
    EXPECT_NE(std::wstring::npos, description);
    EXPECT_NE(std::wstring::npos, source) << r.description;
    EXPECT_NE(std::wstring::npos, r.dump.find(L"Line: 1958\r\n"));
    EXPECT_EQ(1u, info.references);
}

TEST(ComErrorTranslator, MessageTextsWithoutSystemMessage)
{
    // FACILITY_ITF codes have no system text: the dispatch number or the code.
    EXPECT_NE(std::wstring::npos,
              Translate(0x80040201, nullptr).description.find(L"IDispatch error #1"));
    EXPECT_NE(std::wstring::npos,
              Translate(0x8004FFFF, nullptr).description.find(L"IDispatch error #65023"));
    EXPECT_NE(std::wstring::npos,
              Translate(0x80FF1234, nullptr).description.find(L"Unknown error 0x80FF1234"));
}

// On Windows many system texts hold inserts ("%1"), HRESULT_FROM_WIN32(34)
// among them; formatted without FORMAT_MESSAGE_IGNORE_INSERTS they failed and
// came back as "Unknown error". Wine's system texts have none, so the
// formatting is shown on a module text that does: the inserts stay as they are.
TEST(ComErrorTranslator, MessageTextsKeepTheirInserts)
{
    const QvBase::CUniqueModule messages = QvBase::LoadDataModule(L"QvError.dll");
    std::wstring text;
    ASSERT_TRUE(QvBase::FormatMessageText(messages.Get(), 0xE6000002, /*language=*/0,
                                          /*arguments=*/nullptr, text));
    EXPECT_NE(std::wstring::npos, text.find(L"%1")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L"%3")) << text;

    // The translator's text is the system's own, less its line end.
    const HRESULT code = HRESULT_FROM_WIN32(ERROR_WRONG_DISK);
    const std::wstring message = QvBase::ComErrorMessage(code);
    if (QvBase::FormatMessageText(nullptr, code, LANG_USER_DEFAULT, nullptr, text))
    {
        EXPECT_EQ(text.substr(0, text.find_last_not_of(L"\r\n") + 1), message);
    }
    else
    {
        EXPECT_EQ(L"Unknown error 0x80070022", message);
    }
}

TEST(ComErrorTranslator, InstalledAsTheComErrorHandler)
{
    CComErrorTranslator::Install();
    unsigned int code = 0;
    try
    {
        _com_issue_error(E_NOINTERFACE);
    }
    catch (CQvError& e)
    {
        code = e.Code();
    }
    EXPECT_EQ(0xE6060001u, code);
}
} // namespace
