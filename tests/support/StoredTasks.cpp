#include "StoredTasks.h"

#include "InstallTaskNames.h"
#include "UniqueResource.h"

namespace QvTest
{
std::set<std::wstring> StoredTaskIds()
{
    std::set<std::wstring> ids;
    std::wstring root = kInstallTaskKeyPrefix;
    root.pop_back(); // the prefix ends in the separator before the id
    QvBase::CUniqueKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return ids;
    wchar_t name[256];
    for (DWORD i = 0;; ++i)
    {
        DWORD size = 256;
        if (RegEnumKeyExW(key.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return ids;
        ids.insert(name);
    }
}
} // namespace QvTest
