// Identifiers of the module's resources, shared by the resource script and
// the code that loads them.
#pragma once

#define PIPL_RESOURCE_ID 16000

// The options dialog.
#define IDD_OPTION_DIALOG 201
#define IDB_OPTION_BANNER 203
#define IDC_SETTINGS_GROUP 2000
#define IDC_STORE_DEFAULTS 2001
#define IDC_RESTORE_DEFAULTS 2002
