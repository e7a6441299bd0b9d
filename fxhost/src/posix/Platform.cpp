// Modules are shared objects; the Windows stand-in keeps the keyboard state.
#include "../Platform.h"

#include <dlfcn.h>
#include <win32stub_control.h>

namespace fxhost::platform {

void *OpenLibrary(const std::string &path, std::string &error)
{
    void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) error = dlerror();
    return library;
}

void *FindFunction(void *library, const char *name) { return dlsym(library, name); }

void CloseLibrary(void *library) { dlclose(library); }

void SetKeyDown(int virtualKey, bool down) { Win32Stub_SetKeyDown(virtualKey, down ? 1 : 0); }

}  // namespace fxhost::platform
