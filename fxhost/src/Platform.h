// What the emulated host needs from the system it runs on: loading an effect
// module, and the keyboard state the effect reads with GetKeyState.
#pragma once

#include <string>

namespace fxhost::platform {

// Loads a module; null, with `error` set, when it cannot.
void *OpenLibrary(const std::string &path, std::string &error);
// The address of an exported function; null when the module has none.
void *FindFunction(void *library, const char *name);
void CloseLibrary(void *library);

// Sets whether a virtual key reads as down for the effect on this thread.
void SetKeyDown(int virtualKey, bool down);

}  // namespace fxhost::platform
