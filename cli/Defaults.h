// The effect's stored defaults as sallow sees them: the file the options
// dialog writes ("K_Sallowmerine.ini" in KORVA/Tavix under the stand-in's
// application-data folder, $XDG_CONFIG_HOME or ~/.config), and `sallow
// defaults save|restore|show`, which drive the options dialog as an artist
// would.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "ControlValues.h"
#include "fxhost/Effect.h"

// Registers the effect's controls as when a user applies it. With
// `useUserDefaults` they take the stored defaults, and the file is named on
// standard error; a file that does not read as the effect's defaults is named
// with its fault and left aside, so the controls take their built-in
// defaults, as they do without `useUserDefaults`.
void ApplyWithDefaults(fxhost::Effect &effect, bool useUserDefaults);

// The controls a command line asks for.
struct ControlRequest {
    std::vector<std::string> settings;  // "NAME=VALUE", in order
    std::string paramsFile;
    bool useUserDefaults = true;  // start from the stored defaults, else from the built-in ones
};

// --set, --params and --no-user-defaults.
void AddControlOptions(CLI::App &command, ControlRequest &request);

// Registers the controls and gives them their values, each source over the
// one before: built-in defaults, stored defaults, --params, --set. "@X,Y"
// colours come from `pixels`.
void ApplyControls(fxhost::Effect &effect, const ControlRequest &request, const PixelSource &pixels = {});

// The controls take the request's values, then the options dialog stores
// them ("store" button).
int RunDefaultsSave(const std::string &modulePath, const ControlRequest &request);
// The options dialog's "restore" button: the stored defaults are removed.
int RunDefaultsRestore(const std::string &modulePath);
// The defaults file and its entries, marking values that differ from the
// built-in defaults.
int RunDefaultsShow(const std::string &modulePath);
