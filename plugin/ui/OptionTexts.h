// The options dialog's texts, in Japanese (code page 932) and English.
#pragma once

#include "ui/DialogBase.h"

namespace FxOptionDlg {

enum OptionTextKey {
    kTextSettingsGroup = 0,   // the group box, control 2000
    kTextStoreButton = 1,     // control 2001
    kTextRestoreButton = 2,   // control 2002
    kTextStoreFailed = 3,     // message box after a failed store
    kTextRestoreFailed = 4,   // message box after a failed restore
};

// Japanese gives the Japanese form (the English one where it is missing);
// English gives the English form (empty where either is missing). A key not
// in the table gives "".
const char *OptionText(int key, DialogLanguage language);

}  // namespace FxOptionDlg
