#include "QvInstError.h"

#include "ErrorText.h"
#include "TextUtils.h"

#include <cstdarg>

namespace
{
std::wstring TextOrEmpty(const wchar_t* text)
{
    return text == nullptr ? std::wstring() : std::wstring(text);
}

// The string from the executable's own table, in the language the resource
// loader picks; empty when the table lacks it.
std::wstring LoadProgramString(unsigned int id)
{
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || text == nullptr)
        return std::wstring();
    return std::wstring(text, static_cast<size_t>(length));
}
} // namespace

CQvInstError::CQvInstError(const wchar_t* file, int line, const wchar_t* function,
                           unsigned int messageId, ...)
    : CQvError(messageId, file, line, function), messageId(messageId),
      sourceFile(TextOrEmpty(file)), function(TextOrEmpty(function)), line(line)
{
    const std::wstring format = LoadProgramString(messageId);
    if (format.empty())
        return;
    va_list arguments;
    va_start(arguments, messageId);
    description = QvBase::FormatTextV(format.c_str(), arguments);
    va_end(arguments);
}

CQvInstError::CQvInstError(bool isSystemCode, unsigned int code, const wchar_t* file,
                           const wchar_t* function, int line)
    : CQvError(code, file, line, function), systemCode(isSystemCode ? code : 0),
      messageId(isSystemCode ? 0 : code),
      description(isSystemCode ? QvBase::DescribeError(code) : LoadProgramString(code)),
      sourceFile(TextOrEmpty(file)), function(TextOrEmpty(function)), line(line)
{
}

// Function and line are carried over too: a copy that crosses threads still
// tells where it was raised.
CQvInstError::CQvInstError(const CQvInstError& other)
    : CQvError(other), messageId(other.Code()), description(other.description),
      sourceFile(other.sourceFile), function(other.function), line(other.line)
{
}

CQvInstError& CQvInstError::operator=(const CQvInstError& other)
{
    if (this != &other)
    {
        CQvError::operator=(other);
        systemCode = 0;
        messageId = other.Code();
        description = other.description;
        sourceFile = other.sourceFile;
        function = other.function;
        line = other.line;
    }
    return *this;
}

CQvInstError::~CQvInstError() = default;

unsigned int CQvInstError::Code() const
{
    return systemCode != 0 ? systemCode : messageId;
}

const wchar_t* CQvInstError::Description() const
{
    return description.c_str();
}
