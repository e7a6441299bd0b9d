// Module handles: the dynamic loader's handles stand for Windows module handles.
#include <dlfcn.h>
#include <windows.h>

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    // RTLD_NOLOAD finds a module only if it is already loaded, as Windows does.
    void *handle = dlopen(moduleName, RTLD_NOLOAD | RTLD_LAZY);
    if (handle == nullptr) return nullptr;
    // Windows hands out no reference with the handle; give back dlopen's.
    dlclose(handle);
    return static_cast<HMODULE>(handle);
}
