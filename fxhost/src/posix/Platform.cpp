// Modules are shared objects; the Windows stand-in keeps the keyboard state,
// the windows and the dialog templates.
#include "../Platform.h"

#include <dlfcn.h>
#include <win32stub_control.h>

#include "ModuleResources.h"

namespace fxhost::platform {

void *OpenLibrary(const std::string &path, std::string &error)
{
    void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) error = dlerror();
    return library;
}

void *FindFunction(void *library, const char *name) { return dlsym(library, name); }

void CloseLibrary(void *library) { dlclose(library); }

HINSTANCE ModuleInstance(void *, const std::string &path) { return GetModuleHandleA(path.c_str()); }

void AttachModuleResources(HINSTANCE module) { DefineModuleResources(module); }

void DetachModuleResources(HINSTANCE module) { ForgetModuleResources(module); }

void SetKeyDown(int virtualKey, bool down) { Win32Stub_SetKeyDown(virtualKey, down ? 1 : 0); }

HWND CreateMainWindow(const char *title, const RECT &rect) { return Win32Stub_CreateWindow(title, &rect); }

void DestroyMainWindow(HWND window) { Win32Stub_DestroyWindow(window); }

}  // namespace fxhost::platform
