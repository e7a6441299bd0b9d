// sallow: applies the K_Sallowmerine effect to image files through the
// emulated host, and shows what the effect declares.
#include <cstdio>
#include <exception>
#include <string>

#include "CommandLine.h"
#include "Commands.h"
#include "ControlValues.h"
#include "Defaults.h"
#include "Errors.h"
#include "Interruption.h"

const char kExitStatusHelp[] =
    "Exit status: 0 success, 1 a file or the effect failed, 2 a mistake on the command line,\n"
    "3 some frames of a sequence failed (the others were written),\n"
    "130 cancelled with Ctrl-C (128 + the signal's number for other signals).\n";

namespace {

// `sallow help [COMMAND]`: the same text as `sallow [COMMAND] --help`.
void AddHelpCommand(CLI::App &app, CommandAction &action)
{
    CLI::App *help = app.add_subcommand("help", "the help of sallow or of one of its commands");
    auto topic = std::make_shared<std::string>();
    help->add_option("COMMAND", *topic, "a command of sallow");
    help->callback([&app, &action, topic] {
        action = [&app, topic] {
            if (topic->empty()) {
                std::fputs(app.help().c_str(), stdout);
                return int{kExitSuccess};
            }
            for (CLI::App *command : app.get_subcommands({}))
                if (command->get_name() == *topic) {
                    std::fputs(command->help(app.get_name()).c_str(), stdout);
                    return int{kExitSuccess};
                }
            throw UsageError("no command named \"" + *topic + "\"");
        };
    });
}

// The subcommand the command line names, for the hint after a mistake.
std::string ChosenCommand(const CLI::App &app)
{
    for (const CLI::App *command : app.get_subcommands()) return " " + command->get_name();
    return "";
}

void PrintMistake(const std::string &what, const std::string &command)
{
    std::fprintf(stderr, "sallow: %s\nRun 'sallow%s --help' for the options.\n", what.c_str(), command.c_str());
}

}  // namespace

int main(int argc, char **argv)
{
    CLI::App app("sallow applies the K_Sallowmerine effect to image files through an emulated host.", "sallow");
    app.set_version_flag("--version", "sallow " SALLOW_VERSION);
    app.require_subcommand(1);
    app.footer(kExitStatusHelp);
    CommandAction action;
    AddInfoCommand(app, action);
    AddParamsCommand(app, action);
    AddRenderCommand(app, action);
    AddSampleCommand(app, action);
    AddDefaultsCommand(app, action);
    AddPickCommand(app, action);
    AddSheetCommand(app, action);
    AddHelpCommand(app, action);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        PrintMistake(e.what(), ChosenCommand(app));
        return kExitUsage;
    }
    try {
        const Interruption interruption;
        return action();
    } catch (const UsageError &e) {
        PrintMistake(e.what(), ChosenCommand(app));
        return kExitUsage;
    } catch (const Cancelled &e) {
        std::fprintf(stderr, "sallow: %s\n", e.what());
        return e.status();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "sallow: %s\n", e.what());
        return kExitFailure;
    }
}
