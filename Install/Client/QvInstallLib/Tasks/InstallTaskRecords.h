#pragma once

// The binary records of the agent protocol, written and read in one place so
// that both sides agree byte for byte. Readers never go past the size they
// are given.

#include <windows.h>

#include <string>

// Announcement of a new task, at the start of the agent's new-task section:
// a 16-bit zero, the low 16 bits of the type, the id with its NUL (UTF-16).
struct CTaskAnnouncement
{
    int type = 0;
    std::wstring id;
};
size_t GetAnnouncementSize(const std::wstring& taskId);
// False, writing nothing, when the record does not fit.
bool WriteAnnouncement(void* record, size_t size, int type, const std::wstring& taskId);
CTaskAnnouncement ReadAnnouncement(const void* record, size_t size);

// Result of a task, at the start of its result section: the code (32 bits,
// little-endian), then the text with its NUL (UTF-16).
struct CTaskResultRecord
{
    int code = 0;
    std::wstring text;
};
size_t GetResultRecordSize(const std::wstring& text);
bool WriteResultRecord(void* record, size_t size, int code, const std::wstring& text);
CTaskResultRecord ReadResultRecord(const void* record, size_t size);

// A NUL-terminated text (UTF-16) with its NUL, and its size in bytes.
size_t GetTextRecordSize(const std::wstring& text);
bool WriteTextRecord(void* record, size_t size, const std::wstring& text);
// The text up to its NUL, or up to the end of the size when it has none.
std::wstring ReadTextRecord(const void* record, size_t size);

// The bytes a mapped view can be read over: from its start to the end of its
// last page.
size_t GetViewSize(const void* view);
