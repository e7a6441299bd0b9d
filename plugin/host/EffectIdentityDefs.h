// The effect's identity as plain macros, so that the resource script's PiPL
// and the code take their values from one place. EffectIdentity.h checks them
// against the flag and version names of the effect API.
#pragma once

#define EFFECT_NAME "K_Sallowmerine"
#define EFFECT_CATEGORY "KORVA"
#define EFFECT_MATCH_NAME "KORVA SALLOWMERINE"
#define EFFECT_ENTRY_POINT "EntryPointFunc"

// Pascal strings of the PiPL: a length byte, then the text.
#define EFFECT_NAME_PSTRING "\016" EFFECT_NAME
#define EFFECT_CATEGORY_PSTRING "\005" EFFECT_CATEGORY
#define EFFECT_MATCH_NAME_PSTRING "\022" EFFECT_MATCH_NAME

#define EFFECT_MAJOR_VERSION 1
#define EFFECT_MINOR_VERSION 0
#define EFFECT_BUG_VERSION 2
#define EFFECT_BUILD 8

// The effect API version the effect is written for.
#define EFFECT_SPEC_VERSION 13
#define EFFECT_SPEC_SUBVERSION 2

// out_data->my_version, out_flags and out_flags2 as global setup sets them.
#define EFFECT_PACKED_VERSION 0x00081608L
#define EFFECT_OUT_FLAGS 0x06000070L
#define EFFECT_OUT_FLAGS2 0x00001419L
