#pragma once

// Run-time binding of modules and their exports. Every failure raises
// QvBase::CQvError with a fixed code and inserts naming the module or export.
#include "UniqueResource.h"

#include <windows.h>

#include <string>

namespace QvBase
{
constexpr unsigned int kErrorModuleLoad = 0xE6000002;
constexpr unsigned int kErrorModuleExport = 0xE6000003;
constexpr unsigned int kErrorServiceApiExport = 0xE6010032;

// How an export's function type is spelt in error reports: as a template
// argument and as the type named by a conversion operator. Specialise it
// beside the binding of each function type bound by CDllCall or
// TFunctionCall3.
template <typename F> struct TFunctionTypeName;

// One loaded module.
class CDll
{
public:
    CDll() = default;
    virtual ~CDll();
    CDll(const CDll&) = delete;
    CDll& operator=(const CDll&) = delete;

    // Loads the module unless one is loaded already, whatever the path; the
    // path is kept only when the load succeeds. Raises kErrorModuleLoad.
    void Load(const wchar_t* path);
    void Free();
    bool IsLoaded() const { return module.IsValid(); }
    HMODULE Handle() const { return module.Get(); }
    const std::wstring& Path() const { return path; }

private:
    CUniqueModule module;
    std::wstring path;
};

// A module loaded as a data file, for its resources only. Raises
// kErrorModuleLoad naming the path, as CDll::Load does: a null module would
// make resource lookups search the running program instead.
CUniqueModule LoadDataModule(const wchar_t* path);

// Resolves an export of a loaded module; raises kErrorModuleExport with the
// given function name when the module lacks it.
FARPROC ResolveExport(const CDll& dll, const char* exportName, const std::wstring& function);

// One loaded module with one export of function type F, resolved at once.
template <typename F> class CDllCall
{
public:
    CDllCall(const wchar_t* path, const char* exportName) { Load(path, exportName); }
    virtual ~CDllCall() { Free(); }
    CDllCall(const CDllCall&) = delete;
    CDllCall& operator=(const CDllCall&) = delete;

    virtual void Load(const wchar_t* path, const char* exportName)
    {
        dll.Load(path);
        function = reinterpret_cast<F>(reinterpret_cast<void*>(ResolveExport(
            dll, exportName,
            std::wstring(L"QvBase::CDllCall<") + TFunctionTypeName<F>::kArgument + L">::Load")));
    }
    // The function pointer must not be called after this.
    virtual void Free()
    {
        function = nullptr;
        dll.Free();
    }

    F Function() const { return function; }
    bool IsLoaded() const { return dll.IsLoaded(); }

private:
    CDll dll;
    F function = nullptr;
};

// One loaded module whose exports TFunctionCall3 members resolve one by one.
class CDynamicLibrary2
{
public:
    // Raises errorCode, the caller's, when the module cannot be loaded.
    CDynamicLibrary2(const wchar_t* path, unsigned int errorCode);
    CDynamicLibrary2(const CDynamicLibrary2&) = delete;
    CDynamicLibrary2& operator=(const CDynamicLibrary2&) = delete;

    HMODULE Handle() const { return module.Get(); }

private:
    // Unloading leaves the thread's last-error value as it was.
    CUniqueModule module;
};

// The export's address, or null; raises nothing.
FARPROC FindExport(HMODULE module, const char* exportName);
// Raises kErrorServiceApiExport for an export that a module lacks.
[[noreturn]] void ThrowMissingExport(const char* exportName, const std::wstring& function);

// One export of type F, resolved on first use and cached. A module may lack
// exports that are never called; a failed resolution is tried again next time.
template <typename F> class TFunctionCall3
{
public:
    // exportName must outlive this object (a constant of the program).
    TFunctionCall3(HMODULE module, const char* exportName) : exportName(exportName), module(module)
    {
    }

    operator F()
    {
        if (function == nullptr)
            function = reinterpret_cast<F>(reinterpret_cast<void*>(FindExport(module, exportName)));
        if (function == nullptr)
            ThrowMissingExport(exportName, std::wstring(L"QvBase::TFunctionCall3<") +
                                               TFunctionTypeName<F>::kArgument + L">::operator " +
                                               TFunctionTypeName<F>::kOperator);
        return function;
    }

private:
    F function = nullptr;
    const char* exportName;
    HMODULE module;
};
} // namespace QvBase
