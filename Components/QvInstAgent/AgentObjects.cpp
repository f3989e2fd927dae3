#include "AgentObjects.h"

#include "InstallTaskNames.h"
#include "qvexception.h"

namespace QvAgent
{
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

CTaskAnnouncement CAgentObjects::ReadAnnouncement() const
{
    QvBase::CUniqueView view(MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view)
        return CTaskAnnouncement();
    return ::ReadAnnouncement(view.Get(), GetViewSize(view.Get()));
}
} // namespace QvAgent
