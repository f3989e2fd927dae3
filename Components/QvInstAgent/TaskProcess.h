#pragma once

// The service hands each task to a task process: a copy of this program in
// the Windows temporary folder, started as "<copy> /task <id> <type> <backing>".
// The copy keeps the installed QvInstAgent.exe free, so that an uninstall
// carried out by this very service can remove it.
#include "UniqueResource.h"

#include <string>

namespace QvAgent
{
constexpr const wchar_t* kTaskOption = L"/task";
constexpr const wchar_t* kRegistryBacking = L"registry";
constexpr const wchar_t* kSectionBacking = L"section";

class CTaskProcessImage
{
public:
    // Copies the running program; raises when it cannot.
    CTaskProcessImage();
    // Removes the copy, or has Windows remove it at the next restart when a
    // task process still runs from it.
    ~CTaskProcessImage();
    CTaskProcessImage(const CTaskProcessImage&) = delete;
    CTaskProcessImage& operator=(const CTaskProcessImage&) = delete;

    // Starts a task process; raises when it cannot.
    QvBase::CUniqueHandle Start(const std::wstring& id, int type, bool registryBacked) const;

private:
    std::wstring path;
};
} // namespace QvAgent
