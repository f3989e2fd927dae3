#pragma once

#include "UniqueResource.h"

#include <windows.h>

#include <string>

// An access list that opens a log place to every process of the product:
// full access (0x1F01FF) for Everyone and ALL APPLICATION PACKAGES and, for a
// directory, ALL RESTRICTED APPLICATION PACKAGES, inherited by the files and
// subdirectories of a directory.
class COpenAccessList
{
public:
    enum Kind
    {
        ForDirectory,
        ForFile,
    };

    explicit COpenAccessList(Kind kind);
    COpenAccessList(const COpenAccessList&) = delete;
    COpenAccessList& operator=(const COpenAccessList&) = delete;

    // False when the list could not be built (then nothing uses it).
    bool IsValid() const { return acl.IsValid(); }
    // Attributes for creating an object with the list; null when not valid.
    SECURITY_ATTRIBUTES* Attributes();
    // Makes the list the path's only, protected access list; a Win32 code.
    DWORD SetOn(const std::wstring& path) const;

private:
    PACL Acl() const { return static_cast<PACL>(acl.Get()); }

    QvBase::CUniqueLocal acl;
    SECURITY_DESCRIPTOR descriptor = {};
    SECURITY_ATTRIBUTES attributes = {};
};
