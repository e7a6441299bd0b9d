// The sallow command line: one subcommand per job, each with its own options
// and help. Every Add...Command function registers one subcommand; when the
// command line chooses it, its callback stores the work to run in `action`.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

// The exit statuses sallow documents.
enum ExitStatus : int {
    kExitSuccess = 0,
    kExitFailure = 1,    // a file could not be read or written, or the effect failed
    kExitUsage = 2,      // the command line asked for something sallow cannot do
    kExitSomeFrames = 3, // frames of a sequence failed; the others were written
    kExitCancelled = 130 // Ctrl-C (SIGINT); other signals give 128 + their number
};

// The help text that lists the exit statuses.
extern const char kExitStatusHelp[];

using CommandAction = std::function<int()>;

void AddInfoCommand(CLI::App &app, CommandAction &action);
void AddParamsCommand(CLI::App &app, CommandAction &action);
void AddRenderCommand(CLI::App &app, CommandAction &action);
void AddSampleCommand(CLI::App &app, CommandAction &action);
void AddDefaultsCommand(CLI::App &app, CommandAction &action);
void AddPickCommand(CLI::App &app, CommandAction &action);
void AddSheetCommand(CLI::App &app, CommandAction &action);

// CLI::ExistingFile without its own text in the help.
CLI::Validator ExistingFile();

// --module PATH, for subcommands that load the effect; SALLOW_MODULE or the
// module next to sallow by default.
void AddModuleOption(CLI::App &command, std::string &path);

// --depth 8|16|32; 0 when absent (the input file's depth).
void AddDepthOption(CLI::App &command, int &depth);

// --no-user-defaults: start from the built-in defaults, leaving the stored
// ones aside.
void AddNoUserDefaultsOption(CLI::App &command, bool &useUserDefaults);
