// The Windows resources of the effect module that the stand-in's dialogs
// need. A shared object carries no Windows resources, so the loader hands
// them to the stand-in for the module's handle.
#pragma once

#include <windows.h>

namespace fxhost {

void DefineModuleResources(HINSTANCE module);
void ForgetModuleResources(HINSTANCE module);

}  // namespace fxhost
