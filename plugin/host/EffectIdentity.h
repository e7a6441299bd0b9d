// What the effect declares about itself to the host.
#pragma once

#include "AE_Effect.h"

namespace EffectIdentity {

constexpr const char *kName = "K_Sallowmerine";
constexpr const char *kCategory = "KORVA";
constexpr const char *kMatchName = "KORVA SALLOWMERINE";
constexpr const char *kStageName = "Release";

constexpr int kMajorVersion = 1;
constexpr int kMinorVersion = 0;
constexpr int kBugVersion = 2;
constexpr int kStage = PF_STAGE_RELEASE;
constexpr int kBuild = 8;

constexpr A_u_long kPackedVersion = PF_VERSION(kMajorVersion, kMinorVersion, kBugVersion, kStage, kBuild);
static_assert(kPackedVersion == 0x00081608, "version 1.0.2 release build 8");

constexpr PF_OutFlags kOutFlags = PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING | PF_OutFlag_I_DO_DIALOG |
                                  PF_OutFlag_USE_OUTPUT_EXTENT | PF_OutFlag_DEEP_COLOR_AWARE |
                                  PF_OutFlag_SEND_UPDATE_PARAMS_UI;
constexpr PF_OutFlags2 kOutFlags2 = PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS |
                                    PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG | PF_OutFlag2_I_AM_THREADSAFE |
                                    PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;
static_assert(kOutFlags == 0x06000070, "out flags as the PiPL declares them");
static_assert(kOutFlags2 == 0x00001419, "out flags 2 as the PiPL declares them");

// Hosts that report After Effects at this effect API version or lower get the
// built-in defaults only.
constexpr A_long kAfterEffectsApplId = PF_FOURCC('F', 'X', 'T', 'C');
constexpr A_long kPremiereApplId = PF_FOURCC('P', 'r', 'M', 'r');

inline bool IsOldAfterEffects(const PF_InData *in_data)
{
    return in_data->appl_id == kAfterEffectsApplId &&
           (in_data->version.major < 12 || (in_data->version.major == 12 && in_data->version.minor <= 11));
}

}  // namespace EffectIdentity
