#pragma once

// One owner for every kind of Windows resource: a template over the value's
// type, its release function and its "none" value, and one line per kind.
// Releasing never changes the thread's last-error value, so an owner can go
// out of scope between a failing call and the GetLastError that reports it.

#include <windows.h>
#include <oleauto.h>
#include <objbase.h>

#include <utility>

namespace QvBase
{
// Keeps the thread's last-error value across a scope.
class CLastErrorKeeper
{
public:
    CLastErrorKeeper() : saved(GetLastError()) {}
    ~CLastErrorKeeper() { SetLastError(saved); }
    CLastErrorKeeper(const CLastErrorKeeper&) = delete;
    CLastErrorKeeper& operator=(const CLastErrorKeeper&) = delete;

private:
    DWORD saved;
};

// "None" values: most kinds use null; file-like kernel handles use
// INVALID_HANDLE_VALUE, which is not a constant expression.
template <typename T> struct TNullIsNone
{
    static T Value() { return T{}; }
};
struct TInvalidHandleIsNone
{
    static HANDLE Value() { return INVALID_HANDLE_VALUE; }
};

template <typename T, auto ReleaseFunction, typename None = TNullIsNone<T>> class TUniqueResource
{
public:
    TUniqueResource() noexcept : value(None::Value()) {}
    explicit TUniqueResource(T owned) noexcept : value(owned) {}
    TUniqueResource(TUniqueResource&& other) noexcept : value(other.Release()) {}
    TUniqueResource& operator=(TUniqueResource&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    TUniqueResource(const TUniqueResource&) = delete;
    TUniqueResource& operator=(const TUniqueResource&) = delete;
    ~TUniqueResource() { Reset(); }

    T Get() const noexcept { return value; }
    bool IsValid() const noexcept { return value != None::Value(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Releases what is owned and takes the new value.
    void Reset(T owned = None::Value()) noexcept
    {
        if (IsValid())
        {
            CLastErrorKeeper keeper;
            ReleaseFunction(value);
        }
        value = owned;
    }
    // Gives up ownership without releasing.
    [[nodiscard]] T Release() noexcept { return std::exchange(value, None::Value()); }
    // For functions that return the value through a pointer: releases what is
    // owned first.
    T* Put() noexcept
    {
        Reset();
        return &value;
    }

private:
    T value;
};

// Kernel handles whose "none" is null: events, mappings, threads, tokens.
using CUniqueHandle = TUniqueResource<HANDLE, &::CloseHandle>;
// Kernel handles whose "none" is INVALID_HANDLE_VALUE: files, find handles of
// CreateFile and friends.
using CUniqueFileHandle = TUniqueResource<HANDLE, &::CloseHandle, TInvalidHandleIsNone>;
// A mutex this thread owns, let go when the owner ends; the mutex's handle
// has an owner of its own, which must outlive this one.
using CMutexOwnership = TUniqueResource<HANDLE, &::ReleaseMutex>;
using CUniqueToken = CUniqueHandle;
using CUniqueModule = TUniqueResource<HMODULE, &::FreeLibrary>;
using CUniqueKey = TUniqueResource<HKEY, &::RegCloseKey>;
using CUniqueServiceHandle = TUniqueResource<SC_HANDLE, &::CloseServiceHandle>;
using CUniqueLocal = TUniqueResource<HLOCAL, &::LocalFree>;
using CUniqueBstr = TUniqueResource<BSTR, &::SysFreeString>;
using CUniqueView = TUniqueResource<void*, &::UnmapViewOfFile>;

// Owns one reference to a COM object.
template <typename I> class TComPtr
{
public:
    TComPtr() noexcept = default;
    // Takes over a reference the caller already holds.
    explicit TComPtr(I* owned) noexcept : object(owned) {}
    TComPtr(const TComPtr& other) noexcept : object(other.object)
    {
        if (object != nullptr)
            object->AddRef();
    }
    TComPtr(TComPtr&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    TComPtr& operator=(TComPtr other) noexcept
    {
        std::swap(object, other.object);
        return *this;
    }
    ~TComPtr() { Reset(); }

    I* Get() const noexcept { return object; }
    I* operator->() const noexcept { return object; }
    explicit operator bool() const noexcept { return object != nullptr; }

    void Reset() noexcept
    {
        if (object != nullptr)
            std::exchange(object, nullptr)->Release();
    }
    [[nodiscard]] I* Detach() noexcept { return std::exchange(object, nullptr); }
    // For functions that return an interface through a pointer.
    I** Put() noexcept
    {
        Reset();
        return &object;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    // Another interface of the same object.
    template <typename J> HRESULT QueryInterface(REFIID iid, TComPtr<J>& other) const noexcept
    {
        return object->QueryInterface(iid, other.PutVoid());
    }

private:
    I* object = nullptr;
};

// COM for this thread while the scope lasts, undone only when this scope
// made it (a thread already in another apartment keeps it).
class CComApartment
{
public:
    explicit CComApartment(DWORD model = COINIT_MULTITHREADED)
        : result(CoInitializeEx(nullptr, model))
    {
    }
    ~CComApartment()
    {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

    HRESULT Result() const { return result; }

private:
    HRESULT result;
};
} // namespace QvBase
