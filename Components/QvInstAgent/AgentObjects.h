#pragma once

// The named objects a running agent offers the setup program: the ready
// event, the new-task event and the section of the announcement record. They
// grant SYSTEM and Administrators only, so that no standard user can hand a
// task to a LocalSystem service.
#include "AdminOnlySecurity.h"
#include "InstallTaskRecords.h"
#include "UniqueResource.h"

#include <windows.h>

#include <string>

namespace QvAgent
{
// Size of the announcement section: the record of a 38-character id takes
// 82 bytes; the rest is room.
constexpr DWORD kAnnouncementSectionSize = 1024;

// Created at the service's start (opened when the other agent instance made
// them first); the ready event is set once everything exists.
class CAgentObjects
{
public:
    CAgentObjects();
    HANDLE NewTaskEvent() const { return newTask.Get(); }
    void SetReady();
    // The record the setup program wrote at the start of the section.
    CTaskAnnouncement ReadAnnouncement() const;

private:
    QvBase::CAdminOnlySecurity security;
    QvBase::CUniqueHandle ready;
    QvBase::CUniqueHandle newTask;
    QvBase::CUniqueHandle section;
};
} // namespace QvAgent
