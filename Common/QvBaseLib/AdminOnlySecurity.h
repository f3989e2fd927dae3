#pragma once

// Security attributes that grant full access to the local system account and
// the Administrators group and to nobody else, with a protected DACL (nothing
// inherited from the parent). For what a LocalSystem service trusts: the
// folder its executable runs from, the named objects it takes work from.

#include "UniqueResource.h"

#include <windows.h>

namespace QvBase
{
class CAdminOnlySecurity
{
public:
    // The descriptor's text in the security descriptor language.
    static constexpr const wchar_t* kDescriptor = L"D:P(A;OICI;GA;;;SY)(A;OICI;GA;;;BA)";

    // Raises CQvError when the descriptor cannot be built.
    CAdminOnlySecurity();
    CAdminOnlySecurity(const CAdminOnlySecurity&) = delete;
    CAdminOnlySecurity& operator=(const CAdminOnlySecurity&) = delete;

    SECURITY_ATTRIBUTES* Attributes() { return &attributes; }
    PSECURITY_DESCRIPTOR Descriptor() const { return descriptor.Get(); }

private:
    CUniqueLocal descriptor;
    SECURITY_ATTRIBUTES attributes{};
};
} // namespace QvBase
