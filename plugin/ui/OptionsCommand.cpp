#include "ui/OptionsCommand.h"

#include <windows.h>

#include "AE_EffectCB.h"
#include "EffectIdentity.h"
#include "Messages.h"
#include "UiLanguage.h"
#include "defaults/DefaultsFile.h"
#include "params/ParamRegistry.h"
#include "ui/AEFxOptionDialog.h"
#include "ui/OptionTexts.h"

namespace {

using namespace FxOptionDlg;

HWND HostMainWindow(PF_InData *in_data)
{
    HWND window = nullptr;
    if (in_data->utils->get_platform_data(in_data->effect_ref, PF_PlatData_MAIN_WND, &window) != PF_Err_NONE)
        return nullptr;
    return window;
}

// The module that holds the dialog template: the effect's own file.
HINSTANCE EffectModule(PF_InData *in_data)
{
    char path[MAX_PATH] = "";
    if (in_data->utils->get_platform_data(in_data->effect_ref, PF_PlatData_EXE_FILE_PATH_DEPRECATED, path) !=
            PF_Err_NONE ||
        path[0] == '\0')
        return nullptr;
    path[sizeof path - 1] = '\0';
    return GetModuleHandleA(path);
}

// Writes the value of every control in params as the user's default; false
// when a write failed.
bool StoreCurrentValues(PF_ParamDef *params[], const char *path)
{
    const ParamRegistry &registry = ParamRegistry::Instance();
    GetParamFromArray reader(registry.ParameterCount(), params);
    registry.ReadAll(nullptr, reader);
    registry.CheckInAll(reader);
    DefaultsFile::SelectSection(true);
    bool stored = true;
    for (BaseParam *param : registry) stored = param->SaveDefault(path, reader.SlotFor(param->index()).def) && stored;
    return stored;
}

}  // namespace

PF_Err RunOptionsDialog(PF_InData *in_data, PF_OutData *, PF_ParamDef *params[])
{
    if (in_data->pica_basicP == nullptr) throw static_cast<PF_Err>(PF_Err_BAD_CALLBACK_PARAM);
    const HWND mainWindow = HostMainWindow(in_data);
    const HINSTANCE module = EffectModule(in_data);
    const bool japanese = IsJapaneseUI();
    const DialogLanguage language = japanese ? kJapanese : kEnglish;
    const bool defaultsAvailable = !EffectIdentity::IsOldAfterEffects(in_data);

    AEFxOptionDialog dialog(module, mainWindow, kOptionDialogTemplate, LookupText(kTextDialogTitle, japanese),
                            defaultsAvailable, language);
    const INT_PTR choice = dialog.Run();
    if (choice != kOptionStore && choice != kOptionRestore) return PF_Err_NONE;

    char path[MAX_PATH];
    const bool havePath = DefaultsFile::BuildPath(path);
    const bool folderMade = havePath && DefaultsFile::CreateFolder(path);
    bool done;
    if (choice == kOptionStore)
        done = folderMade && StoreCurrentValues(params, path);
    else
        done = !havePath || DefaultsFile::Remove(path);
    if (!done)
        MessageBoxA(mainWindow, OptionText(choice == kOptionStore ? kTextStoreFailed : kTextRestoreFailed, language),
                    EffectIdentity::kName, MB_OK | MB_ICONERROR);
    return PF_Err_NONE;
}
