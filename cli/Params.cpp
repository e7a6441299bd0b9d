// sallow params: the control table as the module registers it with the host.
#include <cstdio>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "ControlValues.h"
#include "Defaults.h"
#include "Json.h"
#include "fxhost/Effect.h"

namespace {

std::string Flags(const PF_ParamDef &def)
{
    std::string text;
    if (def.flags & PF_ParamFlag_START_COLLAPSED) text += "start-collapsed ";
    if (def.flags & PF_ParamFlag_SUPERVISE) text += "supervise ";
    if (def.param_type == PF_Param_FLOAT_SLIDER && (def.u.fs_d.display_flags & PF_ValueDisplayFlag_PERCENT))
        text += "percent ";
    return text.empty() ? "-" : text.substr(0, text.size() - 1);
}

void PrintRow(int index, const PF_ParamDef &def)
{
    char value[96] = "-", valid[48] = "-", slider[48] = "-";
    switch (def.param_type) {
    case PF_Param_POPUP:
        std::snprintf(value, sizeof value, "%d (of %d)", static_cast<int>(def.u.pd.value), def.u.pd.num_choices);
        break;
    case PF_Param_CHECKBOX: std::snprintf(value, sizeof value, "%s", def.u.bd.value ? "on" : "off"); break;
    case PF_Param_FLOAT_SLIDER:
        std::snprintf(value, sizeof value, "%.*f", def.u.fs_d.precision, def.u.fs_d.value);
        std::snprintf(valid, sizeof valid, "%g..%g", def.u.fs_d.valid_min, def.u.fs_d.valid_max);
        std::snprintf(slider, sizeof slider, "%g..%g", def.u.fs_d.slider_min, def.u.fs_d.slider_max);
        break;
    case PF_Param_SLIDER:
        std::snprintf(value, sizeof value, "%d", static_cast<int>(def.u.sd.value));
        std::snprintf(valid, sizeof valid, "%d..%d", static_cast<int>(def.u.sd.valid_min), static_cast<int>(def.u.sd.valid_max));
        std::snprintf(slider, sizeof slider, "%d..%d", static_cast<int>(def.u.sd.slider_min),
                      static_cast<int>(def.u.sd.slider_max));
        break;
    case PF_Param_COLOR: {
        const PF_Pixel &c = def.u.cd.value;
        std::snprintf(value, sizeof value, "#%02X%02X%02X (alpha %d)", c.red, c.green, c.blue, c.alpha);
        break;
    }
    default: break;
    }
    const bool group = def.param_type == PF_Param_GROUP_START || def.param_type == PF_Param_GROUP_END;
    const char *state = group ? "-" : (def.ui_flags & PF_PUI_DISABLED) ? "disabled" : "enabled";
    const char *name = def.param_type == PF_Param_GROUP_END ? "(end of group)" : def.name;
    const std::string items = def.param_type == PF_Param_POPUP ? "  items: " + DescribeItems(def) : "";
    std::printf("%5d %5d  %-22s %-12s %-20s %-10s %-10s %-9s %s%s\n", index, static_cast<int>(def.uu.id), name,
                TypeName(def.param_type), value, valid, slider, state, Flags(def).c_str(), items.c_str());
}

void RangeJson(JsonWriter &json, const char *key, double low, double high)
{
    json.key(key).beginArray().value(low).value(high).endArray();
}

void ControlJson(JsonWriter &json, int index, const PF_ParamDef &def)
{
    json.beginObject().key("index").value(index).key("id").value(static_cast<long>(def.uu.id));
    json.key("name").value(def.param_type == PF_Param_GROUP_END ? "" : def.name).key("type").value(TypeName(def.param_type));
    switch (def.param_type) {
    case PF_Param_POPUP: {
        json.key("value").value(static_cast<long>(def.u.pd.value)).key("items").beginArray();
        const std::vector<std::string> items = PopupItems(def);
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] != kPopupSeparator)
                json.beginObject().key("value").value(static_cast<long>(i + 1)).key("name").value(items[i]).endObject();
        json.endArray();
        break;
    }
    case PF_Param_CHECKBOX: json.key("value").value(def.u.bd.value != 0); break;
    case PF_Param_FLOAT_SLIDER:
        json.key("value").value(def.u.fs_d.value);
        RangeJson(json, "valid", def.u.fs_d.valid_min, def.u.fs_d.valid_max);
        RangeJson(json, "slider", def.u.fs_d.slider_min, def.u.fs_d.slider_max);
        json.key("precision").value(static_cast<long>(def.u.fs_d.precision));
        json.key("percent").value((def.u.fs_d.display_flags & PF_ValueDisplayFlag_PERCENT) != 0);
        break;
    case PF_Param_SLIDER:
        json.key("value").value(static_cast<long>(def.u.sd.value));
        RangeJson(json, "valid", def.u.sd.valid_min, def.u.sd.valid_max);
        RangeJson(json, "slider", def.u.sd.slider_min, def.u.sd.slider_max);
        break;
    case PF_Param_COLOR: {
        const PF_Pixel &c = def.u.cd.value;
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02X%02X%02X", c.red, c.green, c.blue);
        json.key("value").value(hex).key("alpha").value(static_cast<long>(c.alpha));
        break;
    }
    default: break;
    }
    if (def.param_type != PF_Param_GROUP_START && def.param_type != PF_Param_GROUP_END)
        json.key("enabled").value((def.ui_flags & PF_PUI_DISABLED) == 0);
    json.key("start_collapsed").value((def.flags & PF_ParamFlag_START_COLLAPSED) != 0).endObject();
}

}  // namespace

int RunParams(const std::string &modulePath, bool useUserDefaults, bool asJson)
{
    fxhost::Host host;
    fxhost::Module module(modulePath);
    host.setModulePath(modulePath);
    fxhost::Effect effect(host, module);
    ApplyWithDefaults(effect, useUserDefaults);
    // The enabled states as the host's parameter-UI refresh leaves them.
    const fxhost::CommandResult update = effect.send(PF_Cmd_UPDATE_PARAMS_UI);
    if (update.err != PF_Err_NONE)
        std::fprintf(stderr, "sallow: the effect could not set its controls' states (%d): %s\n",
                     static_cast<int>(update.err), update.message().c_str());
    fxhost::ParamStore &params = effect.params();
    if (asJson) {
        JsonWriter json;
        json.beginObject().key("host_parameters").value(params.count()).key("controls").beginArray();
        for (int i = 1; i < params.count(); ++i) ControlJson(json, i, params.at(i));
        json.endArray().endObject();
        std::printf("%s\n", json.text().c_str());
        effect.send(PF_Cmd_GLOBAL_SETDOWN);
        return 0;
    }
    std::printf("%d host parameters: the input layer and %d controls\n", params.count(), params.count() - 1);
    std::printf("%5s %5s  %-22s %-12s %-20s %-10s %-10s %-9s %s\n", "index", "id", "name", "type", "default", "valid",
                "slider", "state", "flags");
    for (int i = 1; i < params.count(); ++i) PrintRow(i, params.at(i));
    effect.send(PF_Cmd_GLOBAL_SETDOWN);
    return 0;
}

void AddParamsCommand(CLI::App &app, CommandAction &action)
{
    CLI::App *params = app.add_subcommand("params", "the controls as the module registers them with the host");
    auto modulePath = std::make_shared<std::string>();
    auto useUserDefaults = std::make_shared<bool>(true);
    auto asJson = std::make_shared<bool>(false);
    AddModuleOption(*params, *modulePath);
    AddNoUserDefaultsOption(*params, *useUserDefaults);
    params->add_flag("--json", *asJson, "print one JSON object, for scripts");
    params->callback([&action, modulePath, useUserDefaults, asJson] {
        action = [modulePath, useUserDefaults, asJson] { return RunParams(*modulePath, *useUserDefaults, *asJson); };
    });
}
