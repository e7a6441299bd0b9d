// The options command (PF_Cmd_DO_DIALOG): the settings dialog, then storing
// the current control values as the user's defaults or removing them.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"

// Throws the bare code PF_Err_BAD_CALLBACK_PARAM when the host gave no basic
// suite. A store or restore that fails is told to the user in a message box.
// Returns PF_Err_NONE.
PF_Err RunOptionsDialog(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[]);
