#include "LogDirectory.h"

#include "OpenAccessList.h"
#include "PathUtils.h"
#include "RegistryKey.h"
#include "SetupFileUtils.h"
#include "QvTrace.h"

std::wstring GetDefaultLogDirectory()
{
    return QvBase::ExpandPath(L"%ProgramData%", L"Dravisk\\Quorvel\\Logs");
}

std::wstring GetLogDirectory()
{
    QvBase::CRegistryKey key(QvBase::CRegistryKey::RootLocalMachine);
    if (key.OpenSub(QvBase::kTraceKeyPath, /*create=*/false, QvBase::kKeyReadWrite) !=
        ERROR_SUCCESS)
        return GetDefaultLogDirectory();
    std::wstring directory;
    key.GetString(L"TracePath", directory, std::wstring());
    return directory;
}

void PrepareLogDirectory(const std::wstring& directory)
{
    CreateDirectoryTree(directory, /*registerForDeletion=*/false);
    COpenAccessList(COpenAccessList::ForDirectory).SetOn(directory);
}
