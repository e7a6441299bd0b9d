// The module's one export, as the host calls it.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"

// The SDK keeps DllExport in a header of its sample projects, not with the
// effect API; define it here unless such a header already has.
#ifndef DllExport
#ifdef AE_OS_WIN
#define DllExport __declspec(dllexport)
#else
#define DllExport __attribute__((visibility("default")))
#endif
#endif

extern "C" DllExport PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data,
                                           PF_ParamDef *params[], PF_LayerDef *output, void *extra);
