// The module handle recorded when the module was loaded; the options dialog
// finds its resources through it.
#pragma once

#include <windows.h>

HINSTANCE ModuleInstance();
