// The module's load and unload notification.
#include <windows.h>

#include "ModuleInstance.h"
#include "params/ParamRegistry.h"
#include "ui/DialogBase.h"

namespace {
HINSTANCE g_moduleInstance = nullptr;
}  // namespace

HINSTANCE ModuleInstance() { return g_moduleInstance; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        g_moduleInstance = instance;
        return TRUE;
    case DLL_THREAD_ATTACH:
    case DLL_THREAD_DETACH: return TRUE;
    case DLL_PROCESS_DETACH:
        FxOptionDlg::FreeDialogWindowMap();
        ParamRegistry::Instance().Release();
        return TRUE;
    default: return FALSE;
    }
}
