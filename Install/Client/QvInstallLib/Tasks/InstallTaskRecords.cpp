#include "InstallTaskRecords.h"

#include <cstring>
#include <cwchar>

namespace
{
constexpr size_t kAnnouncementHeader = 2 * sizeof(WORD);
constexpr size_t kResultHeader = sizeof(DWORD);

const BYTE* Bytes(const void* record)
{
    return static_cast<const BYTE*>(record);
}
} // namespace

size_t GetTextRecordSize(const std::wstring& text)
{
    return (text.size() + 1) * sizeof(wchar_t);
}

bool WriteTextRecord(void* record, size_t size, const std::wstring& text)
{
    if (size < GetTextRecordSize(text))
        return false;
    std::memcpy(record, text.c_str(), GetTextRecordSize(text));
    return true;
}

std::wstring ReadTextRecord(const void* record, size_t size)
{
    // Copied out first: a record at an odd offset is no aligned wchar_t array.
    std::wstring text(size / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), record, text.size() * sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

size_t GetAnnouncementSize(const std::wstring& taskId)
{
    return kAnnouncementHeader + GetTextRecordSize(taskId);
}

bool WriteAnnouncement(void* record, size_t size, int type, const std::wstring& taskId)
{
    if (size < GetAnnouncementSize(taskId))
        return false;
    const WORD header[2] = {0, static_cast<WORD>(type & 0xFFFF)};
    std::memcpy(record, header, sizeof(header));
    return WriteTextRecord(static_cast<BYTE*>(record) + kAnnouncementHeader,
                           size - kAnnouncementHeader, taskId);
}

CTaskAnnouncement ReadAnnouncement(const void* record, size_t size)
{
    CTaskAnnouncement announcement;
    if (size < kAnnouncementHeader)
        return announcement;
    WORD header[2] = {};
    std::memcpy(header, record, sizeof(header));
    announcement.type = header[1];
    announcement.id =
        ReadTextRecord(Bytes(record) + kAnnouncementHeader, size - kAnnouncementHeader);
    return announcement;
}

size_t GetResultRecordSize(const std::wstring& text)
{
    return kResultHeader + GetTextRecordSize(text);
}

bool WriteResultRecord(void* record, size_t size, int code, const std::wstring& text)
{
    if (size < GetResultRecordSize(text))
        return false;
    std::memcpy(record, &code, sizeof(code));
    return WriteTextRecord(static_cast<BYTE*>(record) + kResultHeader, size - kResultHeader, text);
}

CTaskResultRecord ReadResultRecord(const void* record, size_t size)
{
    CTaskResultRecord result;
    if (size < kResultHeader)
        return result;
    std::memcpy(&result.code, record, sizeof(result.code));
    result.text = ReadTextRecord(Bytes(record) + kResultHeader, size - kResultHeader);
    return result;
}

size_t GetViewSize(const void* view)
{
    MEMORY_BASIC_INFORMATION region = {};
    if (view == nullptr || VirtualQuery(view, &region, sizeof(region)) == 0)
        return 0;
    return region.RegionSize - (Bytes(view) - Bytes(region.BaseAddress));
}
