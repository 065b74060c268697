#include "cli/command_line.hpp"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "cli/command.hpp"
#include "cli/version.hpp"

namespace voxmill {

namespace {

// Every command, in the order of `voxmill --help`.
const Command* const kCommands[] = {
    &kInfoCommand,  &kConvertCommand, &kPlotCommand,   &kAddLayerCommand, &kCombineCommand, &kReorderCommand,
    &kShiftCommand, &kBoxCommand,     &kProjectCommand, &kSectionCommand, &kClassesCommand,
    &kPeaksCommand,
    &kAtomsCommand,
};

// "usage: voxmill COMMAND ... (commands: info, convert, ...; voxmill --help lists them)"
std::string general_usage() {
    std::string names;
    for (const Command* c : kCommands) names += (names.empty() ? "" : ", ") + std::string(c->name);
    return "usage: voxmill COMMAND ... (commands: " + names + "; voxmill --help lists them)";
}

// A command of the table, as added to the parser.
struct Added {
    const Command* command;
    CLI::App* app;
    std::unique_ptr<CommandRun> options;
};

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app("Voxmill: electron-density maps of crystals. Without arguments it starts the console.", "voxmill");
    app.set_version_flag("--version", std::string("voxmill ") + kVersion);
    app.require_subcommand(1);
    std::vector<Added> added;
    for (const Command* c : kCommands) {
        CLI::App* sub = app.add_subcommand(c->name, c->summary);
        added.push_back({c, sub, c->add(*sub)});
    }
    // The parser would take an unknown word for a stray argument and ask for a command.
    const auto known = [&](const std::string& word) {
        const auto commands = app.get_subcommands([&](const CLI::App* c) { return c->check_name(word); });
        return !commands.empty();
    };
    if (argc > 1 && argv[1][0] != '-' && !known(argv[1])) {
        err << "voxmill: error: unknown command " << argv[1] << '\n' << general_usage() << '\n';
        return 2;
    }
    try {
        app.parse(argc, argv);
        for (const Added& a : added) {
            if (a.app->parsed()) a.options->check();
        }
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        std::string usage = general_usage();
        for (const Added& a : added) {
            if (a.app->parsed()) usage = a.command->usage;
        }
        err << "voxmill: error: " << e.what() << '\n' << usage << '\n';
        return 2;
    }
    for (const Added& a : added) {
        if (a.app->parsed()) return a.options->run(out, err);
    }
    return 2;  // require_subcommand(1) lets no parse end here
}

}  // namespace

int run_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    const int status = run(argc, argv, out, err);
    // What was printed must have arrived: a full disk or a closed pipe is a failure.
    if (!out.flush()) {
        err << "voxmill: error: standard output: cannot be written\n";
        return 1;
    }
    return status;
}

}  // namespace voxmill
