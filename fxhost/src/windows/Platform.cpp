// Modules are DLLs that carry their own resources; the keyboard state is the
// calling thread's own; the main window is a real window, with a scripted user
// at the dialogs it owns.
#include "../Platform.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "ScriptedUser.h"

namespace fxhost::platform {

namespace {

// A modal loop tells its owner when it waits for the user; the main window
// owns the effect's dialogs and message boxes.
LRESULT CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
        auto *user = reinterpret_cast<ScriptedUser *>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (user != nullptr) user->Idle(reinterpret_cast<HWND>(lParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LPCSTR MainWindowClass()
{
    static const ATOM atom = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = MainWindowProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        windowClass.lpszClassName = "FxHostMainWindow";
        return RegisterClassA(&windowClass);
    }();
    return MAKEINTATOM(atom);
}

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
    auto user = std::make_unique<ScriptedUser>();
    HWND window = CreateWindowExA(0, MainWindowClass(), title, WS_OVERLAPPEDWINDOW, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    // The window holds its user until DestroyMainWindow.
    if (window != nullptr) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(user.release()));
    return window;
}

void DestroyMainWindow(HWND window)
{
    if (window == nullptr) return;
    std::unique_ptr<ScriptedUser> user(reinterpret_cast<ScriptedUser *>(SetWindowLongPtrA(window, GWLP_USERDATA, 0)));
    user.reset();
    DestroyWindow(window);
}

// Large pages need a privilege a user rarely has: plain heap blocks.
uint8_t *AllocateBlock(size_t bytes)
{
    void *block = std::malloc(bytes > 0 ? bytes : 1);
    if (block == nullptr) throw std::bad_alloc();
    return static_cast<uint8_t *>(block);
}

void FreeBlock(uint8_t *block) { std::free(block); }

}  // namespace fxhost::platform
