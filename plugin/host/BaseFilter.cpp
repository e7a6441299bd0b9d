#include "BaseFilter.h"

#include <windows.h>

#include <cstring>

#include "AE_EffectCB.h"
#include "EffectIdentity.h"
#include "Messages.h"
#include "SequenceData.h"
#include "UiLanguage.h"
#include "defaults/DefaultsFile.h"
#include "params/ControlStates.h"
#include "params/ParamRegistry.h"
#include "ui/OptionsCommand.h"

PF_Err BaseFilter::Command(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                           PF_LayerDef *output, void *extra)
{
    switch (cmd) {
    case PF_Cmd_ABOUT: return About(in_data, out_data, params, output);
    case PF_Cmd_GLOBAL_SETUP: return GlobalSetup(in_data, out_data, params, output);
    case PF_Cmd_GLOBAL_SETDOWN: return GlobalSetdown(in_data, out_data, params, output);
    case PF_Cmd_PARAMS_SETUP: return RegisterParams(in_data, out_data, params, output);
    case PF_Cmd_SEQUENCE_SETUP: return SequenceSetup(in_data, out_data);
    case PF_Cmd_SEQUENCE_RESETUP: return SequenceResetup(in_data, out_data);
    case PF_Cmd_SEQUENCE_FLATTEN: return SequenceFlatten(in_data, out_data);
    case PF_Cmd_SEQUENCE_SETDOWN: return SequenceSetdown(in_data, out_data);
    case PF_Cmd_DO_DIALOG:
        // The host has nothing to do with the dialog's outcome.
        RunOptionsDialog(in_data, out_data, params);
        return PF_Err_NONE;
    case PF_Cmd_RENDER: return Render(in_data, out_data, params, output);
    case PF_Cmd_USER_CHANGED_PARAM: return UserChangedParam(in_data, out_data, params, output, extra);
    case PF_Cmd_UPDATE_PARAMS_UI: return UpdateParamsUI(in_data, out_data, params, output);
    case PF_Cmd_EVENT: return HandleEvent(in_data, out_data, params, output, extra);
    case PF_Cmd_QUERY_DYNAMIC_FLAGS: return QueryDynamicFlags(in_data, out_data, params, output);
    case PF_Cmd_ARBITRARY_CALLBACK: return ArbitraryCallback(in_data, out_data, params, output, extra);
    case PF_Cmd_SMART_PRE_RENDER:
        return SmartPreRender(in_data, out_data, static_cast<PF_PreRenderExtra *>(extra));
    case PF_Cmd_SMART_RENDER: return SmartRender(in_data, out_data, static_cast<PF_SmartRenderExtra *>(extra));
    default: return PF_Err_NONE;
    }
}

PF_Err BaseFilter::About(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *[], PF_LayerDef *)
{
    using namespace EffectIdentity;
    const char *credit = LookupText(kTextCredit, IsJapaneseUI());
    if (GetKeyState(VK_SHIFT) < 0)
        in_data->utils->ansi.sprintf(out_data->return_msg, "%s %d.%d.%d %s build:%d %s\r\r%s", kName, kMajorVersion,
                                     kMinorVersion, kBugVersion, kStageName, kBuild, "", credit);
    else
        in_data->utils->ansi.sprintf(out_data->return_msg, "%s %d.%d.%d %s %s\r\r%s", kName, kMajorVersion,
                                     kMinorVersion, kBugVersion, kStageName, "", credit);
    return PF_Err_NONE;
}

PF_Err BaseFilter::GlobalSetup(PF_InData *, PF_OutData *out_data, PF_ParamDef *[], PF_LayerDef *)
{
    out_data->my_version = EffectIdentity::kPackedVersion;
    out_data->out_flags = EffectIdentity::kOutFlags;
    out_data->out_flags2 = EffectIdentity::kOutFlags2;
    return PF_Err_NONE;
}

PF_Err BaseFilter::GlobalSetdown(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *) { return PF_Err_NONE; }

PF_Err BaseFilter::RegisterParams(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *[], PF_LayerDef *)
{
    const ParamRegistry &registry = ParamRegistry::Instance();
    char path[MAX_PATH];
    const char *iniPath = nullptr;
    if (EffectIdentity::IsOldAfterEffects(in_data)) {
        DefaultsFile::SelectSection(false);
    } else {
        // Without a usable path the controls take their built-in defaults.
        if (DefaultsFile::BuildPath(path)) iniPath = path;
        DefaultsFile::SelectSection(true);
    }

    PF_Err err = PF_Err_NONE;
    for (BaseParam *param : registry) {
        err = param->AddToHost(in_data, param->diskId(), iniPath);
        if (err != PF_Err_NONE) break;
    }
    out_data->num_params = registry.ParameterCount();
    return err;
}

PF_Err BaseFilter::UserChangedParam(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *, void *)
{
    return PF_Err_NONE;
}

PF_Err BaseFilter::UpdateParamsUI(PF_InData *in_data, PF_OutData *, PF_ParamDef *params[], PF_LayerDef *)
{
    return UpdateControlStates(in_data, params);
}

PF_Err BaseFilter::SequenceSetup(PF_InData *in_data, PF_OutData *out_data)
{
    PF_UtilCallbacks *utils = in_data->utils;
    PF_Handle handle = utils->host_new_handle(sizeof(SequenceRecord));
    if (handle == nullptr) return PF_Err_OUT_OF_MEMORY;
    void *memory = utils->host_lock_handle(handle);
    if (memory == nullptr) {
        utils->host_dispose_handle(handle);
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    const SequenceRecord record = SequenceRecord::Default();
    std::memcpy(memory, &record, sizeof record);
    out_data->sequence_data = handle;
    utils->host_unlock_handle(handle);
    return PF_Err_NONE;
}

PF_Err BaseFilter::SequenceSetdown(PF_InData *in_data, PF_OutData *)
{
    if (in_data->sequence_data != nullptr) in_data->utils->host_dispose_handle(in_data->sequence_data);
    return PF_Err_NONE;
}

PF_Err BaseFilter::SequenceFlatten(PF_InData *in_data, PF_OutData *out_data)
{
    PF_UtilCallbacks *utils = in_data->utils;
    PF_Handle unflat = out_data->sequence_data;
    if (unflat == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    auto *record = static_cast<SequenceRecord *>(utils->host_lock_handle(unflat));
    if (record == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    uint8_t flat[SequenceRecord::kFlatSize];
    record->Flatten(flat);

    PF_Err err = PF_Err_NONE;
    PF_Handle flatHandle = utils->host_new_handle(sizeof flat);
    if (flatHandle == nullptr) {
        err = PF_Err_OUT_OF_MEMORY;
    } else if (void *memory = utils->host_lock_handle(flatHandle)) {
        std::memcpy(memory, flat, sizeof flat);
        out_data->sequence_data = flatHandle;
        utils->host_unlock_handle(flatHandle);
    } else {
        utils->host_dispose_handle(flatHandle);
        err = PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    utils->host_unlock_handle(unflat);
    return err;
}

PF_Err BaseFilter::SequenceResetup(PF_InData *in_data, PF_OutData *out_data)
{
    PF_UtilCallbacks *utils = in_data->utils;
    PF_Handle flatHandle = in_data->sequence_data;

    bool valid = false;
    if (flatHandle != nullptr) {
        if (const void *memory = utils->host_lock_handle(flatHandle)) {
            uint32_t magic = 0;
            const A_u_longlong size = utils->host_get_handle_size(flatHandle);
            if (size >= SequenceRecord::kFlatSize) std::memcpy(&magic, memory, sizeof magic);
            valid = size >= SequenceRecord::kFlatSize && magic == SequenceRecord::kMagic;
            utils->host_unlock_handle(flatHandle);
        }
    }
    if (!valid) return NewSequenceData(in_data, out_data);

    const auto *flat = static_cast<const uint8_t *>(utils->host_lock_handle(flatHandle));
    if (flat == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    const PF_Handle handedIn = out_data->sequence_data;
    PF_Err err = SequenceSetup(in_data, out_data);
    if (err == PF_Err_NONE) {
        if (void *memory = utils->host_lock_handle(out_data->sequence_data)) {
            const SequenceRecord record =
                SequenceRecord::Unflatten(flat, static_cast<size_t>(utils->host_get_handle_size(flatHandle)));
            std::memcpy(memory, &record, sizeof record);
            utils->host_unlock_handle(out_data->sequence_data);
        } else {
            // A failed command hands the host no new record, so the one just
            // made would be lost.
            utils->host_dispose_handle(out_data->sequence_data);
            out_data->sequence_data = handedIn;
            err = PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
    }
    utils->host_unlock_handle(flatHandle);
    return err;
}

PF_Err BaseFilter::QueryDynamicFlags(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *) { return PF_Err_NONE; }

PF_Err BaseFilter::HandleEvent(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *, void *) { return PF_Err_NONE; }

PF_Err BaseFilter::ArbitraryCallback(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *, void *)
{
    return PF_Err_NONE;
}

PF_Err BaseFilter::BeforeSmartRender(PF_InData *, PF_OutData *, PF_SmartRenderExtra *, RenderContext *)
{
    return PF_Err_NONE;
}

PF_Err BaseFilter::NewSequenceData(PF_InData *in_data, PF_OutData *out_data)
{
    return SequenceSetup(in_data, out_data);
}

PF_Err BaseFilter::FirstCommand(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *) { return PF_Err_NONE; }

PF_Err BaseFilter::RenderDepth(RenderContext *) { return PF_Err_INTERNAL_STRUCT_DAMAGED; }

PF_Err CustomFilter::Command(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                             PF_LayerDef *output, void *extra)
{
    return BaseFilter::Command(cmd, in_data, out_data, params, output, extra);
}

PF_Err CustomFilter::QueryDynamicFlags(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                       PF_LayerDef *output)
{
    BaseFilter::QueryDynamicFlags(in_data, out_data, params, output);
    return PF_Err_NONE;
}
