#include "ResponseFileSaveSection.h"

#include "ErrorText.h"
#include "QvInstError.h"
#include "ResponseFileEncoding.h"
#include "qvexception.h"

#include <windows.h>

#include <utility>

namespace
{
constexpr unsigned int kResponseFileWriteError = 20010;
}

CSaveSection::CSaveSection(std::wstring target) : target(std::move(target)) {}

void CSaveSection::operator()(const std::wstring& section,
                              const QvInstall::ResponseKeyMap& keys) const
{
    for (const auto& entry : keys)
        Write(section, entry.first, entry.second);
}

void CSaveSection::Write(const std::wstring& section, const std::wstring& key,
                         const std::wstring& value) const
{
    QV_FUNCTION_NAME(L"CSaveSection::Write");
    DWORD error = ERROR_SUCCESS;
    // A text the file's code page cannot hold is never written lossily.
    const bool fits = ResponseFileEncoding::FitsAnsiCodePage(section) &&
                      ResponseFileEncoding::FitsAnsiCodePage(key) &&
                      ResponseFileEncoding::FitsAnsiCodePage(value);
    if (!fits)
        error = ResponseFileEncoding::MakeUnicode(target);
    if (error == ERROR_SUCCESS &&
        WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), target.c_str()))
        return;
    if (error == ERROR_SUCCESS)
        error = GetLastError();
    const std::wstring reason = QvBase::DescribeError(error);
    throw CQvInstError(QV_WFILE, __LINE__, qvFunctionName, kResponseFileWriteError, target.c_str(),
                       reason.c_str(), section.c_str(), key.c_str());
}
