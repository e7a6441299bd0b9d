// What the effect declares about itself to the host.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "EffectIdentityDefs.h"

namespace EffectIdentity {

constexpr const char *kName = EFFECT_NAME;
constexpr const char *kCategory = EFFECT_CATEGORY;
constexpr const char *kMatchName = EFFECT_MATCH_NAME;
constexpr const char *kStageName = "Release";

constexpr int kMajorVersion = EFFECT_MAJOR_VERSION;
constexpr int kMinorVersion = EFFECT_MINOR_VERSION;
constexpr int kBugVersion = EFFECT_BUG_VERSION;
constexpr int kStage = PF_Stage_RELEASE;
constexpr int kBuild = EFFECT_BUILD;

constexpr A_u_long kPackedVersion = PF_VERSION(kMajorVersion, kMinorVersion, kBugVersion, kStage, kBuild);
static_assert(kPackedVersion == EFFECT_PACKED_VERSION, "the PiPL's version is the one global setup reports");

constexpr PF_OutFlags kOutFlags = PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING | PF_OutFlag_I_DO_DIALOG |
                                  PF_OutFlag_USE_OUTPUT_EXTENT | PF_OutFlag_DEEP_COLOR_AWARE |
                                  PF_OutFlag_SEND_UPDATE_PARAMS_UI;
constexpr PF_OutFlags2 kOutFlags2 = PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS |
                                    PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG | PF_OutFlag2_I_AM_THREADSAFE |
                                    PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;
static_assert(kOutFlags == EFFECT_OUT_FLAGS, "out flags as the PiPL declares them");
static_assert(kOutFlags2 == EFFECT_OUT_FLAGS2, "out flags 2 as the PiPL declares them");

static_assert(EFFECT_SPEC_VERSION == PF_AE110_PLUG_IN_VERSION && EFFECT_SPEC_SUBVERSION == PF_AE110_PLUG_IN_SUBVERS,
              "the PiPL declares the effect API of After Effects CS6");

// The length bytes of the PiPL's Pascal strings.
static_assert(EFFECT_NAME_PSTRING[0] == sizeof EFFECT_NAME - 1, "name length byte");
static_assert(EFFECT_CATEGORY_PSTRING[0] == sizeof EFFECT_CATEGORY - 1, "category length byte");
static_assert(EFFECT_MATCH_NAME_PSTRING[0] == sizeof EFFECT_MATCH_NAME - 1, "match name length byte");

// A host's application id, a four-character code with the first character in
// the top byte.
constexpr A_long ApplicationId(char a, char b, char c, char d)
{
    return static_cast<A_long>(static_cast<A_u_long>(static_cast<A_u_char>(a)) << 24 |
                               static_cast<A_u_long>(static_cast<A_u_char>(b)) << 16 |
                               static_cast<A_u_long>(static_cast<A_u_char>(c)) << 8 | static_cast<A_u_char>(d));
}
constexpr A_long kAfterEffectsApplId = ApplicationId('F', 'X', 'T', 'C');
constexpr A_long kPremiereApplId = ApplicationId('P', 'r', 'M', 'r');

// Hosts that report After Effects at this effect API version or lower get the
// built-in defaults only.
inline bool IsOldAfterEffects(const PF_InData *in_data)
{
    return in_data->appl_id == kAfterEffectsApplId &&
           (in_data->version.major < 12 || (in_data->version.major == 12 && in_data->version.minor <= 11));
}

}  // namespace EffectIdentity
