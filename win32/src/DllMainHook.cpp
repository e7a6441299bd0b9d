// Linked into a module, this plays the part of the Windows loader: it calls the
// module's DllMain with process attach when the module is loaded and with
// process detach when it is unloaded. The module handle is the module's base
// address, as on Windows.
#include <dlfcn.h>
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

HINSTANCE OwnModuleHandle()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&OwnModuleHandle), &info) == 0) return nullptr;
    return static_cast<HINSTANCE>(info.dli_fbase);
}

__attribute__((constructor)) void NotifyProcessAttach() { DllMain(OwnModuleHandle(), DLL_PROCESS_ATTACH, nullptr); }

__attribute__((destructor)) void NotifyProcessDetach() { DllMain(OwnModuleHandle(), DLL_PROCESS_DETACH, nullptr); }

}  // namespace
