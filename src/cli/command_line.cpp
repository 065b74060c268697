#include "cli/command_line.hpp"

#include <CLI/CLI.hpp>

#include "cli/convert.hpp"
#include "cli/info.hpp"
#include "cli/plot.hpp"
#include "cli/version.hpp"

namespace voxmill {

namespace {

const char* const kUsage = "usage: voxmill COMMAND ... (commands: info, convert, plot; voxmill --help lists them)";

}  // namespace

namespace {

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app("Voxmill: electron-density maps of crystals. Without arguments it starts the console.", "voxmill");
    app.set_version_flag("--version", std::string("voxmill ") + kVersion);
    app.require_subcommand(1);
    InfoOptions info_options;
    ConvertOptions convert_options;
    CLI::App* info = add_info_command(app, info_options);
    CLI::App* convert = add_convert_command(app, convert_options);
    PlotOptions plot_options;
    CLI::App* plot = add_plot_command(app, plot_options);
    // The parser would take an unknown word for a stray argument and ask for a command.
    const auto known = [&](const std::string& word) {
        const auto commands = app.get_subcommands([&](const CLI::App* c) { return c->check_name(word); });
        return !commands.empty();
    };
    if (argc > 1 && argv[1][0] != '-' && !known(argv[1])) {
        err << "voxmill: error: unknown command " << argv[1] << '\n' << kUsage << '\n';
        return 2;
    }
    try {
        app.parse(argc, argv);
        if (convert->parsed()) check_convert_options(convert_options);
        if (plot->parsed()) check_plot_options(plot_options);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        err << "voxmill: error: " << e.what() << '\n'
            << (convert->parsed() ? kConvertUsage : info->parsed() ? kInfoUsage : plot->parsed() ? kPlotUsage : kUsage)
            << '\n';
        return 2;
    }
    if (info->parsed()) return run_info(info_options, out, err);
    if (plot->parsed()) return run_plot(plot_options, err);
    return run_convert(convert_options, err);
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
