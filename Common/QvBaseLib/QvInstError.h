#pragma once

#include "qvexception.h"

#include <string>

// An error whose user text comes from the program's own string table (or, for
// a system code, from DescribeError). Catch it before QvBase::CQvError.
class CQvInstError : public QvBase::CQvError
{
public:
    // The string with that identifier, used as a printf-style format with the
    // arguments that follow; a missing string gives an empty description.
    CQvInstError(const wchar_t* file, int line, const wchar_t* function, unsigned int messageId,
                 ...);
    // A system code described by DescribeError, or a string identifier whose
    // text is taken unformatted.
    CQvInstError(bool isSystemCode, unsigned int code, const wchar_t* file, const wchar_t* function,
                 int line);
    // The copy reports the source's Code() as its message identifier.
    CQvInstError(const CQvInstError& other);
    CQvInstError& operator=(const CQvInstError& other);
    ~CQvInstError() override;

    unsigned int Code() const override;
    const wchar_t* Description() const override;

    const std::wstring& SourceFile() const { return sourceFile; }
    int Line() const { return line; }

private:
    unsigned int systemCode = 0;
    unsigned int messageId = 0;
    std::wstring description;
    std::wstring sourceFile;
    std::wstring function;
    int line = 0;
};
