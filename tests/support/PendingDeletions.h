#pragma once

// Test helper: the deletions that Windows carries out at the next restart,
// as MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) records them in
// the session manager's PendingFileRenameOperations, in the order they run.
// The value is put back as it was when the object ends.
#include <string>

namespace QvTest
{
class CPendingDeletions
{
public:
    CPendingDeletions();
    ~CPendingDeletions();
    CPendingDeletions(const CPendingDeletions&) = delete;
    CPendingDeletions& operator=(const CPendingDeletions&) = delete;

    // True when the path was registered after this object was made.
    bool Registered(const std::wstring& path) const;
    // True when the folder's last registration comes after the file's: a
    // folder goes at the restart only when it is empty by its turn.
    bool FolderGoesAfter(const std::wstring& folder, const std::wstring& file) const;

private:
    // Where the path's last registration since this object was made stands
    // in the list; npos when there is none.
    size_t LastAt(const std::wstring& path) const;

    std::wstring saved;
};
} // namespace QvTest
