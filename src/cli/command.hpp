// One command of the command line as the table of commands holds it: its word, what it does,
// its usage line, and how it takes its options, checks them and runs. Each command's file
// provides its entry; command_line.cpp lists the entries, and `voxmill --help`, the usage
// line and the dispatch all come from that list.
#pragma once

#include <memory>
#include <ostream>

namespace CLI {
class App;
}

namespace voxmill {

// The options of one command line: filled by the parser, then checked and run.
class CommandRun {
public:
    virtual ~CommandRun() = default;
    // What the parser cannot check; throws CLI::ValidationError, a usage error.
    virtual void check() const = 0;
    // The exit status: 0 done, 1 failed (each failure one line on `err`).
    virtual int run(std::ostream& out, std::ostream& err) const = 0;
};

struct Command {
    const char* name;
    const char* summary;  // its line in `voxmill --help`
    const char* usage;    // the line printed after a usage error
    // Adds the options and arguments to the command's subcommand and returns what receives
    // them; it must outlive the parse.
    std::unique_ptr<CommandRun> (*add)(CLI::App& command);
};

template <class Options>
void no_check(const Options&) {}

// The `add` of a command whose options are one `Options` value: Add declares them on the
// subcommand, Check checks them (no_check for a command whose parser checks everything), Run
// runs the command.
template <class Options, void (*Add)(CLI::App&, Options&), void (*Check)(const Options&),
          int (*Run)(const Options&, std::ostream& out, std::ostream& err)>
std::unique_ptr<CommandRun> bind_options(CLI::App& command) {
    struct Bound final : CommandRun {
        Options options;
        void check() const override { Check(options); }
        int run(std::ostream& out, std::ostream& err) const override { return Run(options, out, err); }
    };
    auto bound = std::make_unique<Bound>();
    Add(command, bound->options);
    return bound;
}

// The entries, one in each command's file.
extern const Command kInfoCommand;
extern const Command kConvertCommand;
extern const Command kPlotCommand;
extern const Command kAddLayerCommand;
extern const Command kCombineCommand;
extern const Command kReorderCommand;
extern const Command kShiftCommand;
extern const Command kBoxCommand;
extern const Command kProjectCommand;
extern const Command kSectionCommand;
extern const Command kClassesCommand;
extern const Command kPeaksCommand;
extern const Command kAtomsCommand;

}  // namespace voxmill
