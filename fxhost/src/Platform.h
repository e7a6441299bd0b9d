// What the emulated host needs from the system it runs on: loading an effect
// module and finding its resources, the names of its functions, the keyboard
// state the effect reads with GetKeyState, and the main window that parents
// the effect's dialogs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace fxhost::platform {

// Loads a module; null, with `error` set, when it cannot.
void *OpenLibrary(const std::string &path, std::string &error);
// The address of an exported function; null when the module has none.
void *FindFunction(void *library, const char *name);
void CloseLibrary(void *library);
// The module handle the effect itself sees for a loaded library.
HINSTANCE ModuleInstance(void *library, const std::string &path);
// Makes the module's Windows resources (its dialog templates) available to
// the dialog functions, where the module file cannot carry them itself.
void AttachModuleResources(HINSTANCE module);
void DetachModuleResources(HINSTANCE module);

// Sets whether a virtual key reads as down for the effect on this thread.
void SetKeyDown(int virtualKey, bool down);

// The name of the function at `address`, for the host's timings: without
// namespace or parameters where the system can tell them, else the module
// and the offset.
std::string FunctionName(const void *address);

// Memory for the pixels of worlds and for handles. Blocks of a few
// megabytes are backed by large pages where the system offers them, which
// spares the column passes an address-translation miss at every row. Throws
// std::bad_alloc when there is no memory.
uint8_t *AllocateBlock(size_t bytes);
void FreeBlock(uint8_t *block);

// The host's main window; null where no window can be made.
HWND CreateMainWindow(const char *title, const RECT &rect);
void DestroyMainWindow(HWND window);

}  // namespace fxhost::platform
