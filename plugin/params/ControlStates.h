// Control enabling on PF_Cmd_UPDATE_PARAMS_UI: greys out the controls that
// have no effect under the current checkbox settings and un-greys the others.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"

// Sends every dependent control's state to the host through PF_UpdateParamUI
// of "PF Param Utils Suite" (version 2 or 3 by the host's API version).
// Changes nothing but PF_PUI_DISABLED; a single refused update is passed
// over. Throws the bare code PF_Err_BAD_CALLBACK_PARAM when the host has no
// such suite. Returns PF_Err_NONE.
PF_Err UpdateControlStates(PF_InData *in_data, PF_ParamDef *params[]);

// Whether a host of this effect API version gets version 2 of the suite
// rather than version 3.
bool UsesParamUtilsVersion2(const PF_SpecVersion &version);
