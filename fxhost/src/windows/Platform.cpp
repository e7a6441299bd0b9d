// Modules are DLLs that carry their own resources; the keyboard state is the
// calling thread's own; the main window is a real window.
#include "../Platform.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace fxhost::platform {

namespace {

std::string LastErrorText()
{
    const DWORD code = GetLastError();
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    return "error " + std::to_string(code) + (text[0] ? ": " + std::string(text) : std::string());
}

}  // namespace

void *OpenLibrary(const std::string &path, std::string &error)
{
    HMODULE library = LoadLibraryA(path.c_str());
    if (library == nullptr) error = LastErrorText();
    return library;
}

void *FindFunction(void *library, const char *name)
{
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void *library) { FreeLibrary(static_cast<HMODULE>(library)); }

HINSTANCE ModuleInstance(void *library, const std::string &) { return static_cast<HINSTANCE>(library); }

std::string FunctionName(const void *address)
{
    HMODULE module = nullptr;
    char path[MAX_PATH] = "";
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module) ||
        GetModuleFileNameA(module, path, sizeof path) == 0)
        return "function at " + std::to_string(reinterpret_cast<uintptr_t>(address));
    const char *file = std::strrchr(path, '\\');
    char offset[32];
    std::snprintf(offset, sizeof offset, "+0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address) -
                                                  reinterpret_cast<uintptr_t>(module)));
    return std::string(file != nullptr ? file + 1 : path) + offset;
}

void AttachModuleResources(HINSTANCE) {}

void DetachModuleResources(HINSTANCE) {}

void SetKeyDown(int virtualKey, bool down)
{
    BYTE keys[256];
    if (!GetKeyboardState(keys)) return;
    keys[virtualKey & 0xFF] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

HWND CreateMainWindow(const char *title, const RECT &rect)
{
    return CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void DestroyMainWindow(HWND window)
{
    if (window != nullptr) DestroyWindow(window);
}

}  // namespace fxhost::platform
