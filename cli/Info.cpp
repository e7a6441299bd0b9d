// sallow info: what the module declares at global setup, and its about text.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CommandLine.h"
#include "Commands.h"
#include "Json.h"
#include "fxhost/Effect.h"

namespace {

struct FlagName {
    A_long bit;
    const char *name;
};

const FlagName kOutFlagNames[] = {
    {PF_OutFlag_KEEP_RESOURCE_OPEN, "PF_OutFlag_KEEP_RESOURCE_OPEN"},
    {PF_OutFlag_WIDE_TIME_INPUT, "PF_OutFlag_WIDE_TIME_INPUT"},
    {PF_OutFlag_NON_PARAM_VARY, "PF_OutFlag_NON_PARAM_VARY"},
    {PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING, "PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING"},
    {PF_OutFlag_I_DO_DIALOG, "PF_OutFlag_I_DO_DIALOG"},
    {PF_OutFlag_USE_OUTPUT_EXTENT, "PF_OutFlag_USE_OUTPUT_EXTENT"},
    {PF_OutFlag_SEND_DO_DIALOG, "PF_OutFlag_SEND_DO_DIALOG"},
    {PF_OutFlag_DISPLAY_ERROR_MESSAGE, "PF_OutFlag_DISPLAY_ERROR_MESSAGE"},
    {PF_OutFlag_I_EXPAND_BUFFER, "PF_OutFlag_I_EXPAND_BUFFER"},
    {PF_OutFlag_PIX_INDEPENDENT, "PF_OutFlag_PIX_INDEPENDENT"},
    {PF_OutFlag_I_WRITE_INPUT_BUFFER, "PF_OutFlag_I_WRITE_INPUT_BUFFER"},
    {PF_OutFlag_I_SHRINK_BUFFER, "PF_OutFlag_I_SHRINK_BUFFER"},
    {PF_OutFlag_WORKS_IN_PLACE, "PF_OutFlag_WORKS_IN_PLACE"},
    {PF_OutFlag_CUSTOM_UI, "PF_OutFlag_CUSTOM_UI"},
    {PF_OutFlag_REFRESH_UI, "PF_OutFlag_REFRESH_UI"},
    {PF_OutFlag_NOP_RENDER, "PF_OutFlag_NOP_RENDER"},
    {PF_OutFlag_I_USE_SHUTTER_ANGLE, "PF_OutFlag_I_USE_SHUTTER_ANGLE"},
    {PF_OutFlag_I_USE_AUDIO, "PF_OutFlag_I_USE_AUDIO"},
    {PF_OutFlag_I_AM_OBSOLETE, "PF_OutFlag_I_AM_OBSOLETE"},
    {PF_OutFlag_FORCE_RERENDER, "PF_OutFlag_FORCE_RERENDER"},
    {PF_OutFlag_PiPL_OVERRIDES_OUTDATA_OUTFLAGS, "PF_OutFlag_PiPL_OVERRIDES_OUTDATA_OUTFLAGS"},
    {PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES, "PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES"},
    {PF_OutFlag_DEEP_COLOR_AWARE, "PF_OutFlag_DEEP_COLOR_AWARE"},
    {PF_OutFlag_SEND_UPDATE_PARAMS_UI, "PF_OutFlag_SEND_UPDATE_PARAMS_UI"},
};

const FlagName kOutFlag2Names[] = {
    {PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS, "PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS"},
    {PF_OutFlag2_I_USE_3D_CAMERA, "PF_OutFlag2_I_USE_3D_CAMERA"},
    {PF_OutFlag2_I_USE_3D_LIGHTS, "PF_OutFlag2_I_USE_3D_LIGHTS"},
    {PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG, "PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG"},
    {PF_OutFlag2_I_AM_THREADSAFE, "PF_OutFlag2_I_AM_THREADSAFE"},
    {PF_OutFlag2_CAN_COMBINE_WITH_DESTINATION, "PF_OutFlag2_CAN_COMBINE_WITH_DESTINATION"},
    {PF_OutFlag2_DOESNT_NEED_EMPTY_PIXELS, "PF_OutFlag2_DOESNT_NEED_EMPTY_PIXELS"},
    {PF_OutFlag2_REVEALS_ZERO_ALPHA, "PF_OutFlag2_REVEALS_ZERO_ALPHA"},
    {PF_OutFlag2_PRESERVES_FULLY_OPAQUE_PIXELS, "PF_OutFlag2_PRESERVES_FULLY_OPAQUE_PIXELS"},
    {PF_OutFlag2_SUPPORTS_SMART_RENDER, "PF_OutFlag2_SUPPORTS_SMART_RENDER"},
    {PF_OutFlag2_FLOAT_COLOR_AWARE, "PF_OutFlag2_FLOAT_COLOR_AWARE"},
};

template <size_t N>
void PrintFlags(const char *label, A_long flags, const FlagName (&names)[N])
{
    std::printf("%s: 0x%08X\n", label, static_cast<unsigned>(flags));
    A_long known = 0;
    for (const FlagName &flag : names) {
        if (flags & flag.bit) std::printf("  %s\n", flag.name);
        known |= flag.bit;
    }
    if (flags & ~known) std::printf("  (unnamed bits 0x%08X)\n", static_cast<unsigned>(flags & ~known));
}

const char *StageName(unsigned stage)
{
    static const char *const kNames[] = {"develop", "alpha", "beta", "release"};
    return kNames[stage & 3];
}

template <size_t N>
void FlagsJson(JsonWriter &json, const char *key, A_long flags, const FlagName (&names)[N])
{
    json.key(key).beginObject().key("value").value(static_cast<long>(static_cast<A_u_long>(flags)));
    json.key("names").beginArray();
    for (const FlagName &flag : names)
        if (flags & flag.bit) json.value(flag.name);
    json.endArray().endObject();
}

// The about text separates lines with carriage returns.
std::string Printable(std::string text)
{
    for (char &c : text)
        if (c == '\r') c = '\n';
    return text;
}

}  // namespace

std::string DefaultModulePath()
{
    if (const char *fromEnvironment = std::getenv("SALLOW_MODULE")) return fromEnvironment;
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "K_Sallowmerine.so";
    std::string path(self, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + "K_Sallowmerine.so";
}

int RunInfo(const std::string &modulePath, bool asJson)
{
    fxhost::Host host;
    fxhost::Module module(modulePath);
    host.setModulePath(modulePath);
    fxhost::Effect effect(host, module);

    fxhost::CommandResult setup = effect.send(PF_Cmd_GLOBAL_SETUP);
    if (setup.err != PF_Err_NONE) {
        std::fprintf(stderr, "sallow: global setup failed with %d: %s\n", static_cast<int>(setup.err),
                     setup.message().c_str());
        return 1;
    }
    fxhost::CommandResult about = effect.send(PF_Cmd_ABOUT);

    const A_u_long version = setup.out.my_version;
    const auto part = [version](int shift, int bits) { return static_cast<long>((version >> shift) & bits); };
    if (asJson) {
        JsonWriter json;
        json.beginObject().key("module").value(modulePath).key("version").beginObject();
        json.key("major").value(part(PF_Vers_VERS_SHIFT, PF_Vers_VERS_BITS));
        json.key("minor").value(part(PF_Vers_SUBVERS_SHIFT, PF_Vers_SUBVERS_BITS));
        json.key("bugfix").value(part(PF_Vers_BUGFIX_SHIFT, PF_Vers_BUGFIX_BITS));
        json.key("stage").value(StageName(static_cast<unsigned>(part(PF_Vers_STAGE_SHIFT, PF_Vers_STAGE_BITS))));
        json.key("build").value(part(PF_Vers_BUILD_SHIFT, PF_Vers_BUILD_BITS));
        json.key("packed").value(static_cast<long>(version)).endObject();
        FlagsJson(json, "out_flags", setup.out.out_flags, kOutFlagNames);
        FlagsJson(json, "out_flags2", setup.out.out_flags2, kOutFlag2Names);
        json.key("about").value(Printable(about.message())).endObject();
        std::printf("%s\n", json.text().c_str());
        effect.send(PF_Cmd_GLOBAL_SETDOWN);
        return 0;
    }
    std::printf("module: %s\n", modulePath.c_str());
    std::printf("version: %lu.%lu.%lu, %s, build %lu (0x%08lX)\n",
                static_cast<unsigned long>((version >> PF_Vers_VERS_SHIFT) & PF_Vers_VERS_BITS),
                static_cast<unsigned long>((version >> PF_Vers_SUBVERS_SHIFT) & PF_Vers_SUBVERS_BITS),
                static_cast<unsigned long>((version >> PF_Vers_BUGFIX_SHIFT) & PF_Vers_BUGFIX_BITS),
                StageName((version >> PF_Vers_STAGE_SHIFT) & PF_Vers_STAGE_BITS),
                static_cast<unsigned long>((version >> PF_Vers_BUILD_SHIFT) & PF_Vers_BUILD_BITS),
                static_cast<unsigned long>(version));
    PrintFlags("out_flags", setup.out.out_flags, kOutFlagNames);
    PrintFlags("out_flags2", setup.out.out_flags2, kOutFlag2Names);
    std::printf("about:\n%s\n", Printable(about.message()).c_str());
    effect.send(PF_Cmd_GLOBAL_SETDOWN);
    return 0;
}

CLI::Validator ExistingFile()
{
    CLI::Validator validator = CLI::ExistingFile;
    validator.description("");
    return validator;
}

void AddModuleOption(CLI::App &command, std::string &path)
{
    path = DefaultModulePath();
    command.add_option("--module", path, "the effect module (default: $SALLOW_MODULE, or the one next to sallow)")
        ->type_name("PATH")
        ->check(ExistingFile());
}

void AddDepthOption(CLI::App &command, int &depth)
{
    command.add_option("--depth", depth, "render depth: 8, 16 or 32 (default: the input file's)")
        ->type_name("8|16|32")
        ->check(CLI::Validator(
            [](std::string &text) -> std::string {
                return text == "8" || text == "16" || text == "32" ? "" : "takes 8, 16 or 32, not \"" + text + "\"";
            },
            ""));
}

void AddNoUserDefaultsOption(CLI::App &command, bool &useUserDefaults)
{
    command.add_flag("--no-user-defaults{false}", useUserDefaults,
                     "start from the built-in defaults, leaving the stored ones aside");
}

void AddInfoCommand(CLI::App &app, CommandAction &action)
{
    CLI::App *info = app.add_subcommand("info", "name, version, flags and about text of the module");
    auto modulePath = std::make_shared<std::string>();
    auto asJson = std::make_shared<bool>(false);
    AddModuleOption(*info, *modulePath);
    info->add_flag("--json", *asJson, "print one JSON object, for scripts");
    info->callback([&action, modulePath, asJson] {
        action = [modulePath, asJson] { return RunInfo(*modulePath, *asJson); };
    });
}
