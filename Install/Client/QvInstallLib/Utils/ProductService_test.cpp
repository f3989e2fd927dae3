// The product service binding against the QvSrvApi.dll stand-in beside the
// test, whose answers come from HKCU\Software\QvTest\QvSrvApi.
#include "AdminPin.h"
#include "qvexception.h"
#include "QvSrvBinding.h"
#include "RaisedError.h"
#include "RegistryState.h"
#include "SelfProtection.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
const std::wstring kStateKey = L"Software\\QvTest\\QvSrvApi";

class ProductService : public ::testing::Test
{
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kStateKey.c_str()); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kStateKey.c_str()); }
    static void Set(const wchar_t* name, DWORD value)
    {
        QvTest::WriteDword(HKEY_CURRENT_USER, kStateKey, name, value);
    }
    static DWORD Mode()
    {
        DWORD mode = 0xBAD;
        QvTest::ReadRawDword(HKEY_CURRENT_USER, kStateKey, L"SelfProtectionMode", mode);
        return mode;
    }
    static std::wstring Log()
    {
        std::wstring log;
        QvTest::ReadRawString(HKEY_CURRENT_USER, kStateKey, L"SelfProtectionLog", log);
        return log;
    }
};

TEST_F(ProductService, AdminPinIsOnOnlyWhenTheServiceSaysSo)
{
    EXPECT_FALSE(AdminPinUtils::IsAdminPinOn()) << "nothing set: PIN off";
    Set(L"ProtectionState", QvSrvStateProtectionOn);
    EXPECT_FALSE(AdminPinUtils::IsAdminPinOn()) << "protection without PIN";
    Set(L"ProtectionState", QvSrvStateProtectionOn | QvSrvStateAdminPinOn);
    EXPECT_TRUE(AdminPinUtils::IsAdminPinOn()) << "PIN on";
    Set(L"Result", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(AdminPinUtils::IsAdminPinOn()) << "request fails";
    Set(L"Result", 0);
    EXPECT_FALSE(AdminPinUtils::IsAdminPinOnVia(L"QvSrvApiMissing.dll")) << "library missing";
    EXPECT_TRUE(AdminPinUtils::IsAdminPinOn()) << "the binding leaves nothing behind";
}

TEST_F(ProductService, MissingLibraryRaisesTheBindingError)
{
    EXPECT_EQ(kErrorServiceApiLoad,
              QvTest::CodeOfErrorRaisedBy([] { CQvSrvApi api(L"QvSrvApiMissing.dll"); }));
}

TEST_F(ProductService, ConnectionHasItsMutexAndIsNeverOpened)
{
    CQvSrvApi api;
    EXPECT_NE(nullptr, api.Service().Mutex());
    EXPECT_FALSE(api.Service().IsConnected());
}

TEST_F(ProductService, ExportMissingFromTheModuleRaisesOnCallOnly)
{
    // kernel32 is bound by name like the service library, without its exports.
    QvBase::CDynamicLibrary2 library(L"kernel32.dll", kErrorServiceApiLoad);
    QvBase::TFunctionCall3<QvSrvGetProtectionStateFunction> call(library.Handle(),
                                                                 kQvSrvGetProtectionState);
    unsigned long state = 0;
    EXPECT_EQ(0xE6010032u,
              QvTest::CodeOfErrorRaisedBy(
                  [&] { static_cast<QvSrvGetProtectionStateFunction>(call)(&state); }));
}

TEST_F(ProductService, SelfProtectionIsInServiceModeForTheObjectsLife)
{
    {
        CSelfProtectionServiceMode serviceMode;
        EXPECT_TRUE(serviceMode.IsSwitched());
        EXPECT_EQ(DWORD(QvSrvSelfProtectionService), Mode());
    }
    EXPECT_EQ(DWORD(QvSrvSelfProtectionOn), Mode());
    EXPECT_EQ(L"2:QvSetup;1:QvSetup", Log());
}

TEST_F(ProductService, SelfProtectionIsLeftAsFoundWhenItCannotOrNeedNotChange)
{
    const struct
    {
        const char* name;
        const wchar_t* value;
        DWORD data;
        DWORD modeAfter;
    } cases[] = {
        {"already in service mode", L"SelfProtectionMode", QvSrvSelfProtectionService,
         QvSrvSelfProtectionService},
        {"request fails", L"Result", ERROR_ACCESS_DENIED, 0xBAD},
    };
    for (const auto& c : cases)
    {
        SetUp();
        Set(c.value, c.data);
        {
            CSelfProtectionServiceMode serviceMode;
            EXPECT_FALSE(serviceMode.IsSwitched()) << c.name;
        }
        EXPECT_EQ(c.modeAfter, Mode()) << c.name;
        EXPECT_EQ(L"", Log()) << c.name;
    }
    CSelfProtectionServiceMode missing(L"QvSrvApiMissing.dll");
    EXPECT_FALSE(missing.IsSwitched()) << "library missing";
}
} // namespace
