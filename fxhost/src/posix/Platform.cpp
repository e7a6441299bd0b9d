// Modules are shared objects; the Windows stand-in keeps the keyboard state,
// the windows and the dialog templates.
#include "../Platform.h"

#include <dlfcn.h>
#include <sys/mman.h>
#include <win32stub_control.h>

#include <cstdlib>
#include <new>

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

uint8_t *AllocateBlock(size_t bytes)
{
    constexpr size_t kLargePage = size_t{2} << 20;
    void *block = nullptr;
    if (bytes >= kLargePage) {
        const size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
        block = std::aligned_alloc(kLargePage, rounded);
        // Only a hint: without large pages the block works as it is.
        if (block != nullptr) madvise(block, rounded, MADV_HUGEPAGE);
    } else {
        block = std::malloc(bytes > 0 ? bytes : 1);
    }
    if (block == nullptr) throw std::bad_alloc();
    return static_cast<uint8_t *>(block);
}

void FreeBlock(uint8_t *block) { std::free(block); }

void SetKeyDown(int virtualKey, bool down) { Win32Stub_SetKeyDown(virtualKey, down ? 1 : 0); }

HWND CreateMainWindow(const char *title, const RECT &rect) { return Win32Stub_CreateWindow(title, &rect); }

void DestroyMainWindow(HWND window) { Win32Stub_DestroyWindow(window); }

}  // namespace fxhost::platform
