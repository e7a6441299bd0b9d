// What a window looks like on the screen.
#pragma once

#include <windows.h>

#include "fxhost/Host.h"

namespace fxhost::platform {

// Paints the window and its controls, then copies what it shows, frame and
// caption included. Empty when the window cannot be read.
Picture CaptureWindow(HWND window);

}  // namespace fxhost::platform
