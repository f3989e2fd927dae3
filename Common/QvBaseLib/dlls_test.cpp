#include "dlls.h"

#include "ErrorText.h"
#include "ProcessRunner.h"
#include "qvexception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

// The test module's export types as error reports spell them.
namespace QvBase
{
template <> struct TFunctionTypeName<int (*)(unsigned long*)>
{
    static constexpr const wchar_t* kArgument = L"int (__cdecl*)(unsigned long *)";
    static constexpr const wchar_t* kOperator = L"int (__cdecl *)(unsigned long *)";
};
template <> struct TFunctionTypeName<unsigned long (*)(void*)>
{
    static constexpr const wchar_t* kArgument = L"unsigned long (__cdecl*)(void *)";
    static constexpr const wchar_t* kOperator = L"unsigned long (__cdecl *)(void *)";
};
} // namespace QvBase

namespace
{
using QvBase::CQvError;

const wchar_t kModuleName[] = L"QvBindingTestModule.dll";

std::wstring ModulePath()
{
    return QvTest::BinDir() + kModuleName;
}

std::wstring MissingPath()
{
    return QvTest::BinDir() + L"QvNoSuchModule.dll";
}

bool ModuleIsLoaded()
{
    return GetModuleHandleW(kModuleName) != nullptr;
}

struct RaisedError
{
    bool raised = false;
    unsigned int code = 0;
    std::wstring function;
    std::wstring description;
};

RaisedError Catch(const std::function<void()>& action)
{
    RaisedError result;
    try
    {
        action();
    }
    catch (CQvError& error)
    {
        result.raised = true;
        result.code = error.Code();
        result.description = error.Description();
        const std::wstring dump = error.Dump();
        const size_t start = dump.find(L"Function: ");
        if (start != std::wstring::npos)
            result.function = dump.substr(start + 10, dump.find(L"\r\n", start) - start - 10);
    }
    return result;
}

bool Contains(const std::wstring& text, const std::wstring& part)
{
    return text.find(part) != std::wstring::npos;
}

TEST(Dll, MissingModuleRaisesModuleLoadErrorNamingThePath)
{
    QvBase::CDll dll;
    const RaisedError error = Catch([&] { dll.Load(MissingPath().c_str()); });
    ASSERT_TRUE(error.raised);
    EXPECT_EQ(0xE6000002u, error.code);
    EXPECT_EQ(L"QvBase::CDll::Load", error.function);
    EXPECT_TRUE(Contains(error.description, MissingPath())) << error.description;
    EXPECT_TRUE(Contains(error.description, L"0x0000007E (126)")) << error.description;
    EXPECT_FALSE(dll.IsLoaded());
    EXPECT_TRUE(dll.Path().empty());
}

TEST(Dll, SecondLoadKeepsTheFirstModuleAndPath)
{
    const std::wstring path = ModulePath();
    {
        QvBase::CDll dll;
        dll.Load(path.c_str());
        const HMODULE first = dll.Handle();
        ASSERT_NE(nullptr, first);
        dll.Load(MissingPath().c_str());
        EXPECT_EQ(first, dll.Handle());
        EXPECT_EQ(path, dll.Path());
        EXPECT_TRUE(ModuleIsLoaded());
    }
    EXPECT_FALSE(ModuleIsLoaded()) << "the destructor frees the module";
}

using StoreFunction = int (*)(unsigned long*);

TEST(DllCall, ResolvesTheExportAtOnceAndFreesOnRequest)
{
    QvBase::CDllCall<StoreFunction> call(ModulePath().c_str(), "QvTestStore");
    unsigned long value = 0;
    EXPECT_EQ(7, call.Function()(&value));
    EXPECT_EQ(42u, value);
    call.Free();
    EXPECT_FALSE(call.IsLoaded());
    EXPECT_EQ(nullptr, call.Function());
    EXPECT_FALSE(ModuleIsLoaded());
}

TEST(DllCall, MissingExportRaisesAndUnloadsTheModuleAgain)
{
    const RaisedError error =
        Catch([] { QvBase::CDllCall<StoreFunction> call(ModulePath().c_str(), "QvTestMissing"); });
    ASSERT_TRUE(error.raised);
    EXPECT_EQ(0xE6000003u, error.code);
    EXPECT_EQ(L"QvBase::CDllCall<int (__cdecl*)(unsigned long *)>::Load", error.function);
    EXPECT_TRUE(Contains(error.description, L"QvTestMissing")) << error.description;
    EXPECT_TRUE(Contains(error.description, ModulePath())) << error.description;
    EXPECT_TRUE(Contains(error.description, L"0x0000007F (127)")) << error.description;
    EXPECT_FALSE(ModuleIsLoaded());
}

TEST(DllCall, MissingModuleRaisesTheModuleLoadError)
{
    const RaisedError error =
        Catch([] { QvBase::CDllCall<StoreFunction> call(MissingPath().c_str(), "QvTestStore"); });
    ASSERT_TRUE(error.raised);
    EXPECT_EQ(0xE6000002u, error.code);
    EXPECT_EQ(L"QvBase::CDll::Load", error.function);
}

TEST(DynamicLibrary2, MissingModuleRaisesTheCallersCode)
{
    const RaisedError error =
        Catch([] { QvBase::CDynamicLibrary2 library(MissingPath().c_str(), 0xE601000D); });
    ASSERT_TRUE(error.raised);
    EXPECT_EQ(0xE601000Du, error.code);
    EXPECT_EQ(L"QvBase::CDynamicLibrary2::CDynamicLibrary2", error.function);
}

TEST(DynamicLibrary2, DestructorUnloadsAndKeepsTheLastError)
{
    {
        QvBase::CDynamicLibrary2 library(ModulePath().c_str(), 0xE601000D);
        EXPECT_TRUE(ModuleIsLoaded());
        SetLastError(1234);
    }
    EXPECT_EQ(1234u, GetLastError());
    EXPECT_FALSE(ModuleIsLoaded());
}

TEST(FunctionCall3, ResolvesOnFirstUse)
{
    QvBase::CDynamicLibrary2 library(ModulePath().c_str(), 0xE601000D);
    QvBase::TFunctionCall3<unsigned long (*)(void*)> identity(library.Handle(), "QvTestIdentity");
    const auto function = static_cast<unsigned long (*)(void*)>(identity);
    EXPECT_EQ(5u, function(reinterpret_cast<void*>(5)));
    EXPECT_EQ(function, static_cast<unsigned long (*)(void*)>(identity));
}

// A module version without an export binds; only calling it fails, each time.
TEST(FunctionCall3, MissingExportRaisesOnEveryUseAndNeverBefore)
{
    QvBase::CDynamicLibrary2 library(ModulePath().c_str(), 0xE601000D);
    QvBase::TFunctionCall3<int (*)(unsigned long*)> missing(library.Handle(), "QvTestMissing");
    for (int use = 0; use < 2; ++use)
    {
        const RaisedError error = Catch([&] { static_cast<int (*)(unsigned long*)>(missing); });
        ASSERT_TRUE(error.raised) << "use " << use;
        EXPECT_EQ(0xE6010032u, error.code);
        EXPECT_EQ(L"QvBase::TFunctionCall3<int (__cdecl*)(unsigned long *)>::operator int "
                  L"(__cdecl *)(unsigned long *)",
                  error.function);
        EXPECT_TRUE(Contains(error.description, L"QvTestMissing")) << error.description;
    }
}
} // namespace
