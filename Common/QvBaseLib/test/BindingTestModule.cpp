// A small module for the binding tests: a few exports of the function types
// that the program binds, under plain C names.
#include <windows.h>

extern "C" __declspec(dllexport) int QvTestStore(unsigned long* value)
{
    *value = 42;
    return 7;
}

extern "C" __declspec(dllexport) unsigned long QvTestIdentity(void* value)
{
    return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(value));
}
