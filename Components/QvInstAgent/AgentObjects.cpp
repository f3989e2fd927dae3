#include "AgentObjects.h"

#if __has_include("InstallTaskNames.h")
#include "InstallTaskNames.h"
#else
// Interim, until the install library carries the task classes.
constexpr const wchar_t* kInstallerReadyEventName = L"Global\\InstallerReadyEvent";
constexpr const wchar_t* kNewInstallTaskEventName = L"Global\\NewInstallTaskEvent";
constexpr const wchar_t* kNewInstallTaskMapName = L"Global\\NewInstallTaskMap";
#endif
#include "qvexception.h"

#include <sddl.h>

namespace QvAgent
{
CAgentObjectSecurity::CAgentObjectSecurity()
{
    QV_FUNCTION_NAME(L"QvAgent::CAgentObjectSecurity::CAgentObjectSecurity");
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAgentObjectsSddl, SDDL_REVISION_1,
                                                              descriptor.Put(), nullptr))
        QV_RAISE_LAST_ERROR();
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = descriptor.Get();
    attributes.bInheritHandle = FALSE;
}

CAgentObjects::CAgentObjects()
{
    QV_FUNCTION_NAME(L"QvAgent::CAgentObjects::CAgentObjects");
    ready.Reset(CreateEventW(security.Attributes(), /*manualReset=*/TRUE, /*initialState=*/FALSE,
                             kInstallerReadyEventName));
    if (!ready)
        QV_RAISE_LAST_ERROR(kInstallerReadyEventName);
    newTask.Reset(CreateEventW(security.Attributes(), /*manualReset=*/FALSE,
                               /*initialState=*/FALSE, kNewInstallTaskEventName));
    if (!newTask)
        QV_RAISE_LAST_ERROR(kNewInstallTaskEventName);
    section.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, security.Attributes(), PAGE_READWRITE, 0,
                                     kAnnouncementSectionSize, kNewInstallTaskMapName));
    if (!section)
        QV_RAISE_LAST_ERROR(kNewInstallTaskMapName);
}

void CAgentObjects::SetReady()
{
    SetEvent(ready.Get());
}

CAnnouncement CAgentObjects::ReadAnnouncement() const
{
    QvBase::CUniqueView view(MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view)
        return CAnnouncement();
    MEMORY_BASIC_INFORMATION info = {};
    VirtualQuery(view.Get(), &info, sizeof info);
    const size_t size =
        info.RegionSize < kAnnouncementSectionSize ? info.RegionSize : kAnnouncementSectionSize;
    return ParseAnnouncement(static_cast<const BYTE*>(view.Get()), size);
}

CAnnouncement ParseAnnouncement(const BYTE* record, size_t size)
{
    CAnnouncement announcement;
    if (size < 4)
        return announcement;
    WORD type = 0;
    memcpy(&type, record + 2, sizeof type);
    announcement.type = type;
    for (size_t offset = 4; offset + 1 < size; offset += 2)
    {
        wchar_t c = 0;
        memcpy(&c, record + offset, sizeof c);
        if (c == 0)
            break;
        announcement.id += c;
    }
    return announcement;
}
} // namespace QvAgent
