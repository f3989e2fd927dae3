#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace QvBase
{
// The error interface every failure of the program is reported through.
// Slot order matters: modules built apart from this program call it.
struct IQvErrorW
{
    virtual unsigned int Code() const = 0;
    virtual const wchar_t* Description() const = 0;
    virtual const wchar_t* DebugInfo() = 0;
    virtual const wchar_t* Dump() = 0;
    virtual const wchar_t* ToString() = 0;
    virtual ~IQvErrorW() = default;
};

// Orders property keys as lstrcmpiW does.
struct CaseInsensitiveLess
{
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

class CQvError : public IQvErrorW
{
public:
    CQvError(unsigned int code, const wchar_t* file, int line, const wchar_t* function);
    CQvError(unsigned int code, const wchar_t* file, int line, const wchar_t* function,
             const wchar_t* insert1, const wchar_t* insert2 = nullptr,
             const wchar_t* insert3 = nullptr, const wchar_t* insert4 = nullptr);

    unsigned int Code() const override;
    const wchar_t* Description() const override;
    const wchar_t* DebugInfo() override;
    const wchar_t* Dump() override;
    const wchar_t* ToString() override;

protected:
    std::map<std::wstring, std::wstring, CaseInsensitiveLess> properties;

private:
    void SetPlace(const wchar_t* file, int line, const wchar_t* function);
};

[[noreturn]] void ThrowError(unsigned int code, const wchar_t* file, int line,
                             const wchar_t* function);
[[noreturn]] void ThrowError(unsigned int code, const wchar_t* file, int line,
                             const wchar_t* function, const wchar_t* insert1,
                             const wchar_t* insert2 = nullptr, const wchar_t* insert3 = nullptr,
                             const wchar_t* insert4 = nullptr);

} // namespace QvBase

#define QV_WIDEN2(x) L##x
#define QV_WIDEN(x) QV_WIDEN2(x)
#define QV_WFILE QV_WIDEN(__FILE__)

// Raises a CQvError at the call site: file and line come from the compiler,
// the qualified function name from the caller ("QvBase::CWin32Event::Create_Ex").
// Optional insert strings follow the function name.
#define QV_THROW(code, function, ...)                                                              \
    ::QvBase::ThrowError((code), QV_WFILE, __LINE__, (function), ##__VA_ARGS__)
// Raises with the thread's last-error value; call it right after the failing call.
#define QV_THROW_LAST_ERROR(function, ...) QV_THROW(::GetLastError(), function, ##__VA_ARGS__)

// A function that names itself once (QV_FUNCTION_NAME, or the trace macros of
// FuncTraceContext.h) raises under that name with these.
#define QV_FUNCTION_NAME(name) static constexpr const wchar_t qvFunctionName[] = name
#define QV_RAISE(code, ...)                                                                        \
    ::QvBase::ThrowError((code), QV_WFILE, __LINE__, qvFunctionName, ##__VA_ARGS__)
#define QV_RAISE_LAST_ERROR(...)                                                                   \
    ::QvBase::ThrowError(::GetLastError(), QV_WFILE, __LINE__,                                     \
                         qvFunctionName __VA_OPT__(, ) __VA_ARGS__)
