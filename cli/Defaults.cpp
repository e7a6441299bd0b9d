#include "Defaults.h"

#include <shlobj.h>
#include <signal.h>
#include <sys/stat.h>
#include <win32stub_control.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "CommandLine.h"
#include "ControlValues.h"

namespace {

const char kSection[] = "Version=1.0";
constexpr int kStoreButton = 2001;
constexpr int kRestoreButton = 2002;

// The file as the effect names it (a Windows path) and as this file system
// does.
struct DefaultsLocation {
    std::string windowsPath;
    std::string path;
};

std::optional<DefaultsLocation> Locate()
{
    char folder[MAX_PATH];
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE)) return std::nullopt;
    DefaultsLocation where;
    where.windowsPath = std::string(folder) + "\\KORVA\\Tavix\\K_Sallowmerine.ini";
    where.path = where.windowsPath;
    for (char &c : where.path)
        if (c == '\\') c = '/';
    return where;
}

DefaultsLocation RequireLocation()
{
    const std::optional<DefaultsLocation> where = Locate();
    if (!where)
        throw std::runtime_error("there is no application-data folder for the defaults: set XDG_CONFIG_HOME or HOME");
    return *where;
}

bool Exists(const std::string &path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

// While it lives the user has no application-data folder, so the effect
// finds no stored defaults, as on a machine that never stored any.
class BuiltInDefaultsOnly {
public:
    BuiltInDefaultsOnly() { Win32Stub_SetAppDataFolder(""); }
    ~BuiltInDefaultsOnly() { Win32Stub_SetAppDataFolder(nullptr); }
    BuiltInDefaultsOnly(const BuiltInDefaultsOnly &) = delete;
    BuiltInDefaultsOnly &operator=(const BuiltInDefaultsOnly &) = delete;
};

// The effect loaded into an emulated host with one instance applied.
struct Session {
    explicit Session(const std::string &modulePath) : module(modulePath), effect(host, module)
    {
        host.setModulePath(modulePath);
    }
    fxhost::Host host;
    fxhost::Module module;
    fxhost::Effect effect;
};

// PF_Cmd_PARAMS_SETUP again: the controls take their defaults afresh.
void RegisterControls(fxhost::Effect &effect)
{
    const fxhost::CommandResult result = effect.send(PF_Cmd_PARAMS_SETUP);
    if (result.err != PF_Err_NONE)
        throw std::runtime_error("the effect failed to register its controls (" + std::to_string(result.err) +
                                 "): " + result.message());
}

void ApplyBuiltIn(fxhost::Effect &effect)
{
    BuiltInDefaultsOnly builtIn;
    effect.apply();
}

volatile sig_atomic_t g_heldSignal = 0;

void HoldSignal(int signal) { g_heldSignal = signal; }

// While it lives, Ctrl-C and termination wait: the effect writes the file one
// entry at a time, and a store cut short would leave old and new defaults
// mixed. A signal that arrived meanwhile takes effect when it goes.
class SignalsHeld {
public:
    SignalsHeld()
    {
        g_heldSignal = 0;
        struct sigaction hold {};
        hold.sa_handler = HoldSignal;
        sigemptyset(&hold.sa_mask);
        for (size_t i = 0; i < kCount; ++i) sigaction(kSignals[i], &hold, &previous_[i]);
    }
    ~SignalsHeld()
    {
        for (size_t i = 0; i < kCount; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
        if (g_heldSignal != 0) raise(g_heldSignal);
    }
    SignalsHeld(const SignalsHeld &) = delete;
    SignalsHeld &operator=(const SignalsHeld &) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    static constexpr size_t kCount = sizeof kSignals / sizeof kSignals[0];
    struct sigaction previous_[kCount];
};

// Opens the options dialog and presses one of its buttons, as an artist
// would; throws when the dialog does not take the press or the effect tells
// of a failure.
void PressOptionButton(fxhost::Effect &effect, int button, const std::string &path)
{
    fxhost::Host &host = effect.host();
    const int messagesBefore = host.lastMessageBox().count;
    host.scriptDialog({fxhost::DialogAction::press(button)});
    fxhost::CommandResult result;
    {
        SignalsHeld held;
        result = effect.send(PF_Cmd_DO_DIALOG);
    }
    if (result.err != PF_Err_NONE)
        throw std::runtime_error("the options command failed (" + std::to_string(result.err) + "): " +
                                 result.message());
    const fxhost::DialogRecord dialog = host.lastDialog();
    if (!dialog.shown) throw std::runtime_error("the effect's options dialog could not be opened");
    if (dialog.result != (button == kStoreButton ? 1 : 2))
        throw std::runtime_error("the options dialog did not take the button (the host does not use stored defaults)");
    const fxhost::MessageBoxRecord message = host.lastMessageBox();
    if (message.count != messagesBefore) throw std::runtime_error(message.text + " (" + path + ")");
}

// The entry the effect reads under `key`, through the same profile function.
std::optional<std::string> ReadEntry(const DefaultsLocation &where, const std::string &key)
{
    static const char kMissing[] = "\x7f";
    char text[256];
    GetPrivateProfileStringA(kSection, key.c_str(), kMissing, text, sizeof text, where.windowsPath.c_str());
    if (std::strcmp(text, kMissing) == 0) return std::nullopt;
    return std::string(text);
}

std::optional<double> Number(const std::string &text)
{
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0') return std::nullopt;
    return value;
}

// The built-in value as the effect writes it, and whether a stored text
// reads as the same value.
struct Comparison {
    std::string builtIn;
    bool same;
};

Comparison CompareScalar(const PF_ParamDef &def, const std::string &stored)
{
    double builtIn;
    switch (def.param_type) {
    case PF_Param_FLOAT_SLIDER: builtIn = def.u.fs_d.value; break;
    case PF_Param_SLIDER: builtIn = def.u.sd.value; break;
    case PF_Param_POPUP: builtIn = def.u.pd.value; break;
    default: builtIn = def.u.bd.value; break;
    }
    char text[64];
    if (def.param_type == PF_Param_FLOAT_SLIDER)
        std::snprintf(text, sizeof text, "%f", builtIn);
    else
        std::snprintf(text, sizeof text, "%d", static_cast<int>(builtIn));
    const std::optional<double> value = Number(stored);
    if (!value) return {text, false};
    // A checkbox is on when the low 8 bits of its entry are not all zero.
    if (def.param_type == PF_Param_CHECKBOX)
        return {text, (static_cast<A_char>(static_cast<long>(*value)) != 0) == (builtIn != 0)};
    // Floats are stored with six decimals.
    if (def.param_type == PF_Param_FLOAT_SLIDER) return {text, std::abs(*value - builtIn) < 5e-7};
    return {text, *value == builtIn};
}

// One control's line: its stored value, "*" where it differs from the
// built-in default.
void ShowEntry(const DefaultsLocation &where, const PF_ParamDef &def)
{
    std::string stored;
    Comparison comparison{"", true};
    bool present = false;
    if (def.param_type == PF_Param_COLOR) {
        const PF_Pixel &colour = def.u.cd.value;
        const std::pair<char, int> components[] = {{'r', colour.red}, {'g', colour.green}, {'b', colour.blue}};
        for (const auto &component : components) {
            const std::optional<std::string> entry = ReadEntry(where, def.name + std::string(".") + component.first);
            const std::optional<double> value = entry ? Number(*entry) : std::nullopt;
            present = present || entry.has_value();
            comparison.same = comparison.same && (!entry || (value && *value == component.second));
            stored += (stored.empty() ? "" : ",") + entry.value_or("-");
            comparison.builtIn += (comparison.builtIn.empty() ? "" : ",") + std::to_string(component.second);
        }
    } else {
        const std::optional<std::string> entry = ReadEntry(where, def.name);
        present = entry.has_value();
        if (present) {
            stored = *entry;
            comparison = CompareScalar(def, stored);
        }
    }
    if (!present) stored = "(no entry: built-in)";
    const std::string note = comparison.same ? "" : "   (built-in " + comparison.builtIn + ")";
    std::printf("%c %-22s %s%s\n", comparison.same ? ' ' : '*', def.name, stored.c_str(), note.c_str());
}

}  // namespace

void ApplyWithDefaults(fxhost::Effect &effect, bool useUserDefaults)
{
    ApplyBuiltIn(effect);
    const std::optional<DefaultsLocation> where = Locate();
    if (!useUserDefaults || !where || !Exists(where->path)) return;
    try {
        // Every entry must name a control and hold a value it can take.
        ApplyParamsFile(effect, where->path);
    } catch (const std::exception &e) {
        std::fprintf(stderr,
                     "sallow: leaving the stored defaults aside: %s\n"
                     "sallow: the controls take their built-in defaults; `sallow defaults save` replaces the file, "
                     "`sallow defaults restore` removes it\n",
                     e.what());
        BuiltInDefaultsOnly builtIn;
        RegisterControls(effect);
        return;
    }
    RegisterControls(effect);
    std::fprintf(stderr, "sallow: the controls take the stored defaults in %s (--no-user-defaults leaves them aside)\n",
                 where->path.c_str());
}

void AddControlOptions(CLI::App &command, ControlRequest &request)
{
    command.add_option("--set", request.settings,
                       "set a control, NAME=VALUE (repeatable): numbers for sliders, on/off for checkboxes, "
                       "an item or its number for View, #RRGGBB, r,g,b or @X,Y (the input's pixel) for colours")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    command.add_option("--params", request.paramsFile,
                       "control values in the defaults-file format ([Version=1.0]; see the README)")
        ->type_name("FILE")
        ->check(ExistingFile());
    AddNoUserDefaultsOption(command, request.useUserDefaults);
}

void ApplyControls(fxhost::Effect &effect, const ControlRequest &request, const PixelSource &pixels)
{
    ApplyWithDefaults(effect, request.useUserDefaults);
    if (!request.paramsFile.empty()) ApplyParamsFile(effect, request.paramsFile);
    for (const std::string &setting : request.settings) ApplySetting(effect, setting, pixels);
}

int RunDefaultsSave(const std::string &modulePath, const ControlRequest &request)
{
    Session session(modulePath);
    fxhost::Effect &effect = session.effect;
    ApplyControls(effect, request);

    const DefaultsLocation where = RequireLocation();
    PressOptionButton(effect, kStoreButton, where.path);
    if (!Exists(where.path)) throw std::runtime_error("the effect stored nothing in " + where.path);
    std::printf("stored the controls' values as the effect's defaults in %s\n", where.path.c_str());
    effect.send(PF_Cmd_GLOBAL_SETDOWN);
    return 0;
}

int RunDefaultsRestore(const std::string &modulePath)
{
    Session session(modulePath);
    fxhost::Effect &effect = session.effect;
    ApplyBuiltIn(effect);

    const DefaultsLocation where = RequireLocation();
    const bool existed = Exists(where.path);
    PressOptionButton(effect, kRestoreButton, where.path);
    if (Exists(where.path)) throw std::runtime_error(where.path + " is still there");
    if (existed)
        std::printf("removed the stored defaults %s: the controls take their built-in defaults\n", where.path.c_str());
    else
        std::printf("no stored defaults to remove (%s)\n", where.path.c_str());
    effect.send(PF_Cmd_GLOBAL_SETDOWN);
    return 0;
}

int RunDefaultsShow(const std::string &modulePath)
{
    const DefaultsLocation where = RequireLocation();
    if (!Exists(where.path)) {
        std::printf("no stored defaults (%s)\n", where.path.c_str());
        return 0;
    }
    Session session(modulePath);
    fxhost::Effect &effect = session.effect;
    ApplyBuiltIn(effect);

    std::printf("stored defaults in %s (* differs from the built-in default):\n", where.path.c_str());
    fxhost::ParamStore &params = effect.params();
    for (int i = 1; i < params.count(); ++i) {
        const PF_ParamDef &def = params.at(i);
        if (def.param_type != PF_Param_GROUP_START && def.param_type != PF_Param_GROUP_END) ShowEntry(where, def);
    }
    int status = 0;
    try {
        ApplyParamsFile(effect, where.path);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "sallow: %s\nsallow: sallow render and sallow params leave this file aside and use the "
                             "built-in defaults\n",
                     e.what());
        status = 1;
    }
    effect.send(PF_Cmd_GLOBAL_SETDOWN);
    return status;
}

void AddDefaultsCommand(CLI::App &app, CommandAction &action)
{
    CLI::App *defaults = app.add_subcommand("defaults", "the effect's stored defaults, as its options dialog keeps them");
    defaults->require_subcommand(1);
    defaults->footer("The stored defaults live in $XDG_CONFIG_HOME/KORVA/Tavix/K_Sallowmerine.ini "
                     "(~/.config when XDG_CONFIG_HOME is not set).");
    auto modulePath = std::make_shared<std::string>();

    CLI::App *save = defaults->add_subcommand(
        "save", "store the controls' values as the effect's defaults (the options dialog's store button)");
    auto request = std::make_shared<ControlRequest>();
    AddControlOptions(*save, *request);
    AddModuleOption(*save, *modulePath);
    save->callback([&action, modulePath, request] {
        action = [modulePath, request] { return RunDefaultsSave(*modulePath, *request); };
    });

    CLI::App *restore =
        defaults->add_subcommand("restore", "remove the stored defaults (the options dialog's restore button)");
    AddModuleOption(*restore, *modulePath);
    restore->callback([&action, modulePath] { action = [modulePath] { return RunDefaultsRestore(*modulePath); }; });

    CLI::App *show = defaults->add_subcommand("show", "the defaults file and its entries");
    AddModuleOption(*show, *modulePath);
    show->callback([&action, modulePath] { action = [modulePath] { return RunDefaultsShow(*modulePath); }; });
}
