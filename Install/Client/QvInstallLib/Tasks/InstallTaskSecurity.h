#pragma once

#include <windows.h>

#include <iterator>
#include <vector>

// The security of the objects a task creates (its running event and its
// sections), which the agent, a service in another account, must open:
// an inheritable handle and a defaulted DACL of three entries allowing
// Everyone 0x001F0003, GENERIC_ALL and 0x100F001F, in that order.
class CTaskObjectSecurity
{
public:
    static constexpr DWORD kAccessMasks[] = {0x001F0003, GENERIC_ALL, 0x100F001F};

    // Raises CQvError when the descriptor cannot be built.
    CTaskObjectSecurity();
    // Points into this object: neither copied nor moved.
    CTaskObjectSecurity(const CTaskObjectSecurity&) = delete;
    CTaskObjectSecurity& operator=(const CTaskObjectSecurity&) = delete;

    SECURITY_ATTRIBUTES* Attributes() { return &attributes; }

private:
    std::vector<BYTE> everyone;
    std::vector<BYTE> acl;
    SECURITY_DESCRIPTOR descriptor = {};
    SECURITY_ATTRIBUTES attributes = {};
};
