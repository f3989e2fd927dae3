#include "qvexception.h"

#include "ErrorText.h"

#include <cwchar>

namespace QvBase
{
namespace
{
const wchar_t kCode[] = L"Code";
const wchar_t kDescription[] = L"Description";
const wchar_t kFile[] = L"File";
const wchar_t kLine[] = L"Line";
const wchar_t kFunction[] = L"Function";
const wchar_t kDebugInfo[] = L"DebugInfo";
const wchar_t kDump[] = L"Dump";
} // namespace

bool CaseInsensitiveLess::operator()(const std::wstring& a, const std::wstring& b) const
{
    return lstrcmpiW(a.c_str(), b.c_str()) < 0;
}

CQvError::CQvError(unsigned int code, const wchar_t* file, int line, const wchar_t* function)
{
    properties[kCode] = FormatErrorCode(code);
    properties[kDescription] = DescribeError(code);
    SetPlace(file, line, function);
}

CQvError::CQvError(unsigned int code, const wchar_t* file, int line, const wchar_t* function,
                   const wchar_t* insert1, const wchar_t* insert2, const wchar_t* insert3,
                   const wchar_t* insert4)
{
    properties[kCode] = FormatErrorCode(code);
    properties[kDescription] = DescribeError(code, insert1, insert2, insert3, insert4);
    SetPlace(file, line, function);
}

void CQvError::SetPlace(const wchar_t* file, int line, const wchar_t* function)
{
    if (file != nullptr)
        properties[kFile] = file;
    if (line != 0)
        properties[kLine] = std::to_wstring(line);
    if (function != nullptr)
        properties[kFunction] = function;
}

unsigned int CQvError::Code() const
{
    const auto it = properties.find(kCode);
    if (it == properties.end() || it->second.size() <= 2)
        return 0;
    return static_cast<unsigned int>(std::wcstoul(it->second.c_str() + 2, nullptr, 16));
}

const wchar_t* CQvError::Description() const
{
    const auto it = properties.find(kDescription);
    return it == properties.end() ? L"" : it->second.c_str();
}

const wchar_t* CQvError::DebugInfo()
{
    const auto cached = properties.find(kDebugInfo);
    if (cached != properties.end())
        return cached->second.c_str();

    // A NUL-separated list: key, NUL, value, NUL for each place entry.
    std::wstring info;
    for (const wchar_t* key : {kFile, kLine, kFunction})
    {
        const auto it = properties.find(key);
        if (it == properties.end())
            continue;
        info.append(key).push_back(L'\0');
        info.append(it->second).push_back(L'\0');
    }
    return (properties[kDebugInfo] = std::move(info)).c_str();
}

const wchar_t* CQvError::Dump()
{
    properties.erase(kDump);
    std::wstring dump;
    for (const auto& entry : properties)
        dump.append(entry.first).append(L": ").append(entry.second).append(L"\r\n");
    return (properties[kDump] = std::move(dump)).c_str();
}

const wchar_t* CQvError::ToString()
{
    return Dump();
}

void ThrowError(unsigned int code, const wchar_t* file, int line, const wchar_t* function)
{
    throw CQvError(code, file, line, function);
}

void ThrowError(unsigned int code, const wchar_t* file, int line, const wchar_t* function,
                const wchar_t* insert1, const wchar_t* insert2, const wchar_t* insert3,
                const wchar_t* insert4)
{
    throw CQvError(code, file, line, function, insert1, insert2, insert3, insert4);
}

} // namespace QvBase
