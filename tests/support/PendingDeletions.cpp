#include "PendingDeletions.h"

#include "UniqueResource.h"

#include <windows.h>

#include <vector>

namespace QvTest
{
namespace
{
constexpr const wchar_t* kSessionManager = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kPendingValue = L"PendingFileRenameOperations";

std::wstring ReadPending()
{
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, RRF_RT_REG_MULTI_SZ,
                     nullptr, nullptr, &size) != ERROR_SUCCESS)
        return std::wstring();
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, RRF_RT_REG_MULTI_SZ,
                     nullptr, buffer.data(), &size) != ERROR_SUCCESS)
        return std::wstring();
    return std::wstring(buffer.data(), size / sizeof(wchar_t));
}
} // namespace

CPendingDeletions::CPendingDeletions() : saved(ReadPending()) {}

CPendingDeletions::~CPendingDeletions()
{
    QvBase::CUniqueKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.Put()) !=
        ERROR_SUCCESS)
        return;
    if (saved.empty())
        RegDeleteValueW(key.Get(), kPendingValue);
    else
        RegSetValueExW(key.Get(), kPendingValue, 0, REG_MULTI_SZ,
                       reinterpret_cast<const BYTE*>(saved.data()),
                       static_cast<DWORD>(saved.size() * sizeof(wchar_t)));
}

bool CPendingDeletions::Registered(const std::wstring& path) const
{
    return LastAt(path) != std::wstring::npos;
}

bool CPendingDeletions::FolderGoesAfter(const std::wstring& folder, const std::wstring& file) const
{
    return Registered(file) && Registered(folder) && LastAt(folder) > LastAt(file);
}

size_t CPendingDeletions::LastAt(const std::wstring& path) const
{
    const std::wstring now = ReadPending();
    const std::wstring entry = std::wstring(L"\\??\\") + path + L'\0';
    const size_t at = now.rfind(entry);
    const size_t from = saved.empty() ? 0 : saved.size() - 1;
    return at != std::wstring::npos && at >= from ? at : std::wstring::npos;
}
} // namespace QvTest
