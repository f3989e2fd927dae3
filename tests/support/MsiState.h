#pragma once

// Test helper: Windows Installer state of products, seeded in the registry
// where msi.dll reads it, and removed again when the object ends.
#include "RegistryState.h"

#include <windows.h>

#include <string>
#include <vector>

namespace QvTest
{
// Product and upgrade codes are stored "squished": the first three groups
// reversed, the bytes of the last two with their nibbles swapped.
inline std::wstring Squish(const std::wstring& code)
{
    const std::wstring hex = code.substr(1, 8) + code.substr(10, 4) + code.substr(15, 4) +
                             code.substr(20, 4) + code.substr(25, 12);
    std::wstring out(hex.rbegin() + 24, hex.rend());
    out += std::wstring(hex.rbegin() + 20, hex.rbegin() + 24);
    out += std::wstring(hex.rbegin() + 16, hex.rbegin() + 20);
    for (size_t i = 16; i < 32; i += 2)
        out += std::wstring{hex[i + 1], hex[i]};
    return out;
}

class CMsiState
{
public:
    CMsiState() = default;
    CMsiState(const CMsiState&) = delete;
    CMsiState& operator=(const CMsiState&) = delete;
    ~CMsiState()
    {
        for (const std::wstring& key : created)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    }

    // Both runtime redistributables of the setup read as installed, so that a
    // run goes straight to the engine.
    void AddRuntimes()
    {
        for (const wchar_t* code :
             {L"{C874FB5A-1C85-460A-A4A9-CBCC3FAE7880}", L"{529D20E8-132A-4F1A-A25F-9211B8C943AC}",
              L"{7D75664A-6C04-424C-82A1-EE88913E5F16}", L"{01FAEC41-B3BC-44F4-B185-5E8475AEB855}"})
            AddProduct(code);
    }

    // The product reads as installed (state 5) for every user.
    void AddProduct(const wchar_t* productCode)
    {
        const std::wstring squished = Squish(productCode);
        const std::wstring product = L"Software\\Classes\\Installer\\Products\\" + squished;
        WriteString(HKEY_LOCAL_MACHINE, product, L"ProductName", L"QvTest product");
        const std::wstring properties = L"Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\"
                                        L"UserData\\S-1-5-18\\Products\\" +
                                        squished;
        WriteDword(HKEY_LOCAL_MACHINE, properties + L"\\InstallProperties", L"WindowsInstaller", 1);
        created.push_back(product);
        created.push_back(properties);
    }

private:
    std::vector<std::wstring> created;
};
} // namespace QvTest
