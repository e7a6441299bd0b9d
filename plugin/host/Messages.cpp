#include "Messages.h"

const char kUnknownErrorMessage[] = "\x95\x73\x96\xbe\x82\xc8\x83\x47\x83\x89\x81\x5b";

const char *ErrorName(PF_Err code)
{
    switch (code) {
    case PF_Err_NONE: return "PF_Err_NONE";
    case 1:
    case 2:
    case 3: return "";
    case PF_Err_OUT_OF_MEMORY: return "PF_Err_OUT_OF_MEMORY";
    case PF_Err_INTERNAL_STRUCT_DAMAGED: return "PF_Err_INTERNAL_STRUCT_DAMAGED";
    case PF_Err_INVALID_INDEX: return "PF_Err_INVALID_INDEX";
    case PF_Err_UNRECOGNIZED_PARAM_TYPE: return "PF_Err_UNRECOGNIZED_PARAM_TYPE";
    case PF_Err_INVALID_CALLBACK: return "PF_Err_INVALID_CALLBACK";
    case PF_Err_BAD_CALLBACK_PARAM: return "PF_Err_BAD_CALLBACK_PARAM";
    case PF_Interrupt_CANCEL: return "PF_Interrupt_CANCEL";
    case PF_Err_CANNOT_PARSE_KEYFRAME_TEXT: return "PF_Err_CANNOT_PARSE_KEYFRAME_TEXT";
    default: return "unknown";
    }
}

const char *SelectText(const TextPair &text, bool japanese)
{
    if (japanese) {
        if (text.japanese) return text.japanese;
        return text.english ? text.english : "";
    }
    if (text.japanese && text.english) return text.english;
    return "";
}

namespace {

// The credit line exists in Japanese only, so a non-Japanese UI shows none.
constexpr TextPair kTexts[] = {
    {"K_Sallowmerine", nullptr},
    {"KORVA \x90\xbb\x8d\xec", nullptr},
    {"K_Sallowmerine", nullptr},
};

}  // namespace

const char *LookupText(int id, bool japanese)
{
    if (id < 0 || id >= static_cast<int>(sizeof kTexts / sizeof kTexts[0])) return "";
    return SelectText(kTexts[id], japanese);
}
