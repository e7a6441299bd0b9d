#include "ui/AEFxOptionDialog.h"

#include "ui/OptionTexts.h"

namespace FxOptionDlg {

INT_PTR AEFxOptionDialog::Run()
{
    const INT_PTR result = DialogBase::Run();
    return result == -1 ? static_cast<INT_PTR>(kOptionClosed) : result;
}

INT_PTR AEFxOptionDialog::OnInitDialog(HWND window, WPARAM)
{
    SetText(window, title_);
    CenterOnParent(window);
    SetText(GetDlgItem(window, kSettingsGroupControl), OptionText(kTextSettingsGroup, language_));
    SetText(GetDlgItem(window, kStoreButton), OptionText(kTextStoreButton, language_));
    SetText(GetDlgItem(window, kRestoreButton), OptionText(kTextRestoreButton, language_));
    // Hosts that never read the defaults file get buttons that cannot be pressed.
    if (!defaultsAvailable_) {
        EnableWindow(GetDlgItem(window, kStoreButton), FALSE);
        EnableWindow(GetDlgItem(window, kRestoreButton), FALSE);
    }
    return 0;
}

INT_PTR AEFxOptionDialog::OnCommand(HWND window, WORD, WORD controlId, LPARAM)
{
    switch (controlId) {
    case IDOK:
    case IDCANCEL: EndDialog(window, kOptionClosed); return 0;
    case kStoreButton: EndDialog(window, kOptionStore); return 0;
    case kRestoreButton: EndDialog(window, kOptionRestore); return 0;
    default: return 1;
    }
}

}  // namespace FxOptionDlg
