// Module handles. As on Windows, a module's handle is its base address, the
// value the loader also hands the module's DllMain.
#include <dlfcn.h>
#include <link.h>
#include <windows.h>

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    // RTLD_NOLOAD finds a module only if it is already loaded, as Windows does.
    void *handle = dlopen(moduleName, RTLD_NOLOAD | RTLD_LAZY);
    if (handle == nullptr) return nullptr;
    struct link_map *map = nullptr;
    Dl_info info{};
    const bool found = dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && dladdr(map->l_ld, &info) != 0;
    // Windows hands out no reference with the handle; give back dlopen's.
    dlclose(handle);
    return found ? static_cast<HMODULE>(info.dli_fbase) : nullptr;
}
