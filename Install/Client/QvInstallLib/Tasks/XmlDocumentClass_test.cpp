#include "XmlDocumentClass.h"

#include "RegistryState.h"

#include <gtest/gtest.h>

namespace
{
// {88D96A05-F192-11D4-A65F-0040963251E5} and {2933BF90-7B36-11D2-B20E-00C04F983E60}
const CLSID kDocument60 = {
    0x88D96A05, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
const CLSID kDocument30 = {
    0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};

// Machine-wide like the test below, which hides what this one looks up.
TEST(XmlDocumentClassMachine, NewestRegisteredDocumentIsChosen)
{
    CLSID found = {};
    ASSERT_EQ(S_OK, GetXmlDocumentClass(&found));
    EXPECT_TRUE(IsEqualCLSID(kDocument60, found));
}

// The program identifiers are machine-wide: MSXML 6 and 4 are hidden for a
// moment, as on a machine that has only MSXML 3.
TEST(XmlDocumentClassMachine, OnlyMsxml3GivesItsClass)
{
    const std::wstring v6 = L"Software\\Classes\\Msxml2.DOMDocument.6.0";
    const std::wstring v4 = L"Software\\Classes\\Msxml2.DOMDocument.4.0";
    CLSID found = {};
    {
        QvTest::CKeyBackup keep6(HKEY_LOCAL_MACHINE, v6);
        QvTest::CKeyBackup keep4(HKEY_LOCAL_MACHINE, v4);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, v6.c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, v4.c_str());
        ASSERT_EQ(S_OK, GetXmlDocumentClass(&found));
        EXPECT_TRUE(IsEqualCLSID(kDocument30, found));
    }
    ASSERT_EQ(S_OK, GetXmlDocumentClass(&found));
    EXPECT_TRUE(IsEqualCLSID(kDocument60, found)) << "put back";
}
} // namespace
