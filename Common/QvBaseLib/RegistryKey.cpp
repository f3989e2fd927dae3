#include "RegistryKey.h"

#include <cstring>

namespace QvBase
{
namespace
{
struct RootEntry
{
    HKEY handle;
    const wchar_t* path;
};

const RootEntry kRoots[] = {
    {nullptr, L"NONE"},           {HKEY_CLASSES_ROOT, L"HKCR"},
    {HKEY_CURRENT_USER, L"HKCU"}, {HKEY_LOCAL_MACHINE, L"HKLM"},
    {HKEY_USERS, L"HKU"},         {HKEY_CURRENT_CONFIG, L"HKCC"},
    {HKEY_DYN_DATA, L"HKDD"},
};

// Predefined roots are never closed.
bool IsRoot(HKEY key)
{
    for (const RootEntry& root : kRoots)
        if (root.handle == key)
            return true;
    return false;
}

std::wstring WideData(const CRegistryValue& value)
{
    const size_t count = value.data.size() / sizeof(wchar_t);
    std::wstring text(count, L'\0');
    if (count != 0)
        std::memcpy(&text[0], value.data.data(), count * sizeof(wchar_t));
    return text;
}

bool IsText(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}
} // namespace

CRegistryKey::CRegistryKey(int root)
{
    if (root >= 0 && root < static_cast<int>(sizeof(kRoots) / sizeof(kRoots[0])))
    {
        key = kRoots[root].handle;
        path = kRoots[root].path;
    }
}

CRegistryKey::~CRegistryKey()
{
    Close();
    FreeSecurity();
}

int CRegistryKey::OnError(LONG, int, const std::wstring&)
{
    return ActionGiveUp;
}

void CRegistryKey::SetCreationSecurity(PSECURITY_DESCRIPTOR descriptor, bool inherit)
{
    FreeSecurity();
    securityDescriptor.Reset(descriptor);
    security.nLength = descriptor != nullptr ? sizeof(security) : 0;
    security.lpSecurityDescriptor = descriptor;
    security.bInheritHandle = inherit ? TRUE : FALSE;
}

void CRegistryKey::FreeSecurity()
{
    securityDescriptor.Reset();
    security = SECURITY_ATTRIBUTES{};
}

LONG CRegistryKey::OpenBelow(HKEY parent, const std::wstring& parentPath, const wchar_t* subKey,
                             bool create, REGSAM access, HKEY& opened, std::wstring& openedPath)
{
    openedPath = parentPath + L"\\" + subKey;
    SECURITY_ATTRIBUTES* attributes = security.nLength != 0 ? &security : nullptr;
    for (;;)
    {
        opened = nullptr;
        DWORD disposition = 0;
        const LONG rc = create ? RegCreateKeyExW(parent, subKey, 0, nullptr, 0, access, attributes,
                                                 &opened, &disposition)
                               : RegOpenKeyExW(parent, subKey, 0, access, &opened);
        if (rc == ERROR_SUCCESS)
            return rc;
        opened = nullptr;
        const int operation = create ? OperationCreate : OperationOpen;
        if (OnError(rc, operation, openedPath) != ActionRetry)
            return rc;
    }
}

LONG CRegistryKey::OpenFrom(const CRegistryKey& parent, const wchar_t* subKey, bool create,
                            REGSAM access)
{
    // Opening below itself is walking down in place.
    if (&parent == this)
        return OpenSub(subKey, create, access);
    if (parent.key == nullptr)
        return E_UNEXPECTED;
    if (subKey == nullptr)
        return E_INVALIDARG;
    Close();
    HKEY opened = nullptr;
    std::wstring openedPath;
    const LONG rc = OpenBelow(parent.key, parent.path, subKey, create, access, opened, openedPath);
    if (rc == ERROR_SUCCESS)
    {
        key = opened;
        path = std::move(openedPath);
    }
    return rc;
}

LONG CRegistryKey::OpenSub(const wchar_t* subKey, bool create, REGSAM access)
{
    if (key == nullptr || subKey == nullptr)
        return E_INVALIDARG;
    HKEY opened = nullptr;
    std::wstring openedPath;
    const LONG rc = OpenBelow(key, path, subKey, create, access, opened, openedPath);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (!IsRoot(key))
        RegCloseKey(key);
    key = opened;
    path = std::move(openedPath);
    return rc;
}

void CRegistryKey::Close()
{
    if (key == nullptr)
        return;
    if (!IsRoot(key))
    {
        LONG rc;
        while ((rc = RegCloseKey(key)) != ERROR_SUCCESS)
            if (OnError(rc, OperationClose, path) != ActionRetry)
                break;
    }
    key = nullptr;
}

LONG CRegistryKey::QueryValue(const wchar_t* name, CRegistryValue& value)
{
    if (name == nullptr || key == nullptr)
        return E_INVALIDARG;
    const std::wstring errorPath = path + L"\"" + name + L"\"";
    for (;;)
    {
        value.data.clear();
        value.name = name;
        value.type = 0;
        DWORD size = 0;
        LONG rc = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
        if (rc == ERROR_SUCCESS && size > 0)
        {
            value.data.resize(size);
            rc = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size);
            // The value may have shrunk between the two calls.
            if (rc == ERROR_SUCCESS)
                value.data.resize(size);
        }
        if (rc == ERROR_SUCCESS)
            return rc;
        if (OnError(rc, OperationRead, errorPath) != ActionRetry)
            return rc;
    }
}

LONG CRegistryKey::SetValue(const CRegistryValue& value)
{
    if (key == nullptr)
        return E_INVALIDARG;
    const std::wstring errorPath = path + L"\\" + value.name;
    for (;;)
    {
        const LONG rc = RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                                       static_cast<DWORD>(value.data.size()));
        if (rc == ERROR_SUCCESS)
            return rc;
        if (OnError(rc, OperationWrite, errorPath) != ActionRetry)
            return rc;
    }
}

LONG CRegistryKey::GetDword(const wchar_t* name, DWORD& value, DWORD defaultValue)
{
    CRegistryValue raw;
    const LONG rc = QueryValue(name, raw);
    // A REG_DWORD shorter than four bytes is not read past its end.
    if (rc == ERROR_SUCCESS && raw.type == REG_DWORD && raw.data.size() >= sizeof(DWORD))
        std::memcpy(&value, raw.data.data(), sizeof(DWORD));
    else
        value = defaultValue;
    return rc;
}

LONG CRegistryKey::GetString(const wchar_t* name, std::wstring& value,
                             const std::wstring& defaultValue)
{
    CRegistryValue raw;
    const LONG rc = QueryValue(name, raw);
    if (rc == ERROR_SUCCESS && IsText(raw.type) && !raw.data.empty())
    {
        // Up to the first NUL, or the end of data stored without one.
        const std::wstring text = WideData(raw);
        value = text.substr(0, text.find(L'\0'));
    }
    else
        value = defaultValue;
    return rc;
}

LONG CRegistryKey::GetMultiString(const wchar_t* name, std::vector<std::wstring>& values)
{
    CRegistryValue raw;
    const LONG rc = QueryValue(name, raw);
    if (rc == ERROR_SUCCESS && raw.type == REG_MULTI_SZ && !raw.data.empty())
    {
        const std::wstring text = WideData(raw);
        values = SplitMultiString(text.data(), text.size());
    }
    return rc;
}

LONG CRegistryKey::SetDword(const wchar_t* name, DWORD value)
{
    CRegistryValue raw;
    raw.name = name != nullptr ? name : L"";
    raw.type = REG_DWORD;
    raw.data.resize(sizeof(value));
    std::memcpy(raw.data.data(), &value, sizeof(value));
    return SetValue(raw);
}

LONG CRegistryKey::SetString(const wchar_t* name, const std::wstring& value)
{
    CRegistryValue raw;
    raw.name = name != nullptr ? name : L"";
    raw.type = REG_SZ;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(value.c_str());
    raw.data.assign(bytes, bytes + (value.size() + 1) * sizeof(wchar_t));
    return SetValue(raw);
}

LONG CRegistryKey::SetMultiString(const wchar_t* name, const std::vector<std::wstring>& values)
{
    CRegistryValue raw;
    raw.name = name != nullptr ? name : L"";
    raw.type = REG_MULTI_SZ;
    raw.data = JoinMultiString(values);
    return SetValue(raw);
}

std::vector<std::wstring> SplitMultiString(const wchar_t* data, size_t count)
{
    std::vector<std::wstring> items;
    std::wstring current;
    for (size_t i = 0; i < count; ++i)
    {
        if (data[i] != L'\0')
            current.push_back(data[i]);
        else if (i + 1 < count)
        {
            items.push_back(current);
            current.clear();
        }
        else if (i > 0 && data[i - 1] != L'\0')
            items.push_back(current);
    }
    return items;
}

std::vector<BYTE> JoinMultiString(const std::vector<std::wstring>& values)
{
    std::wstring text;
    for (const std::wstring& value : values)
        text.append(value).push_back(L'\0');
    text.push_back(L'\0');
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + text.size() * sizeof(wchar_t));
}
} // namespace QvBase
