// The settings dialog of the options command: store the current control
// values as the user's defaults, or go back to the built-in ones.
#pragma once

#include "ui/DialogBase.h"

namespace FxOptionDlg {

// Dialog template 201 among the module's resources, and its controls.
constexpr uint16_t kOptionDialogTemplate = 201;
constexpr int kSettingsGroupControl = 2000;
constexpr int kStoreButton = 2001;
constexpr int kRestoreButton = 2002;

// What the user chose.
enum OptionDialogResult { kOptionClosed = 0, kOptionStore = 1, kOptionRestore = 2 };

class AEFxOptionDialog : public DialogBase {
public:
    using DialogBase::DialogBase;

    // A dialog that could not be created counts as closed.
    INT_PTR Run() override;
    INT_PTR OnInitDialog(HWND window, WPARAM wParam) override;
    INT_PTR OnCommand(HWND window, WORD notificationCode, WORD controlId, LPARAM lParam) override;
};

}  // namespace FxOptionDlg
