// Outputs that the program must not leave half made or wrongly replaced: a run ended by a
// signal mid-write, pipes and FIFOs as outputs, loops of links, read-only files, a full disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/option_sessions.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

const std::string kBinary = VOXMILL_BINARY;
const std::string kCell = "--cell 10,10,10,90,90,90";

std::vector<std::string> temporaries(const vtest::ScratchDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path(""))) {
        if (e.path().filename().string().find(".part-") != std::string::npos) names.push_back(e.path().filename());
    }
    return names;
}

// Every name in the folder with what it holds: a link's target, or a file's bytes.
std::map<std::string, std::string> snapshot(const vtest::ScratchDir& dir) {
    std::map<std::string, std::string> entries;
    for (const auto& e : fs::directory_iterator(dir.path(""))) {
        if (e.path().filename() == "stdout" || e.path().filename() == "stderr") continue;  // of the runs
        entries[e.path().filename()] =
            e.is_symlink() ? "-> " + fs::read_symlink(e.path()).string() : vtest::slurp(e.path());
    }
    return entries;
}

void* word(long value) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(value)); }

// The exit status of a child that may not be traced (a sandbox that forbids ptrace).
constexpr int kNoTracing = 126;

struct HeldRun {
    bool signalled = false;  // the temporary appeared and the signal was sent
    int status = 0;          // as waitpid reports it
};

// Runs the program in `dir` with `input` on its standard input, traced so that it stops at
// each system call; at the first stop after a temporary has appeared in the folder it gets
// `signal` and runs on untraced. The signal so lands mid-write whatever the machine's speed.
HeldRun signal_mid_write(const vtest::ScratchDir& dir, const std::vector<std::string>& args, const std::string& input,
                         int signal, bool started_ignoring) {
    std::vector<std::string> words{kBinary};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const std::string folder = dir.path("");
    const std::string stdin_name = dir.path(input);
    HeldRun run;
    const pid_t pid = ::fork();
    if (pid < 0) return run;
    if (pid == 0) {
        const int in = ::open(stdin_name.c_str(), O_RDONLY);
        const int out = ::open("/dev/null", O_WRONLY);
        const rlimit no_core{0, 0};
        if (::chdir(folder.c_str()) != 0 || in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(out, 2) < 0 || ::setrlimit(RLIMIT_CORE, &no_core) != 0) {
            ::_exit(127);
        }
        if (started_ignoring) ::signal(signal, SIG_IGN);
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(kNoTracing);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::waitpid(pid, &run.status, 0);  // held at the start of the program
    ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, word(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
    while (WIFSTOPPED(run.status)) {
        if (!temporaries(dir).empty()) {
            ::kill(pid, signal);
            ::ptrace(PTRACE_DETACH, pid, nullptr, nullptr);
            run.signalled = true;
            ::waitpid(pid, &run.status, 0);
            break;
        }
        // Signals of the program's own pass on; the tracer's traps do not.
        const int pass = WSTOPSIG(run.status) & 0x7f;
        ::ptrace(PTRACE_SYSCALL, pid, nullptr, word(pass == SIGTRAP ? 0 : pass));
        ::waitpid(pid, &run.status, 0);
    }
    return run;
}

// Ctrl-C, a kill, a closed terminal and Ctrl-\ mid-write remove the temporary and end the run
// as that signal does, in the commands and in the console; the old output stays as it was. A
// signal ignored from the start (nohup) stays ignored, and the write completes.
TEST(OutputFaults, ASignalMidWriteTakesTheTemporaryWithIt) {
    vtest::ScratchDir dir;
    vtest::write_q47(dir.path("map.q47"), {6, 5, 4}, vtest::ramp(120, 0.5f));
    vtest::write_bytes(dir.path("answers"), {});
    const std::string console = "E\nmap.q47\nout.xplor\n10 10 10 90 90 90\nQ\n";
    vtest::write_bytes(dir.path("console"), std::vector<unsigned char>(console.begin(), console.end()));
    const std::vector<std::string> convert{"convert", "map.q47", "out.q47"};
    const struct {
        std::vector<std::string> args;
        std::string input;
        std::string output;
        int signal;
        bool ignored;
    } cases[] = {
        {convert, "answers", "out.q47", SIGINT, false},  {convert, "answers", "out.q47", SIGTERM, false},
        {convert, "answers", "out.q47", SIGHUP, false},  {convert, "answers", "out.q47", SIGQUIT, false},
        {{}, "console", "out.xplor", SIGINT, false},     {{}, "console", "out.xplor", SIGTERM, false},
        {convert, "answers", "out.q47", SIGHUP, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.args.empty() ? "console" : "convert") + ", signal " + std::to_string(c.signal) +
                     (c.ignored ? ", ignored" : ""));
        const std::vector<unsigned char> old{'o', 'l', 'd'};
        vtest::write_bytes(dir.path(c.output), old);
        const HeldRun run = signal_mid_write(dir, c.args, c.input, c.signal, c.ignored);
        if (WIFEXITED(run.status) && WEXITSTATUS(run.status) == kNoTracing) GTEST_SKIP() << "this machine forbids ptrace";
        ASSERT_TRUE(run.signalled) << "no temporary appeared while the program was traced";
        EXPECT_EQ(temporaries(dir), std::vector<std::string>{});
        if (c.ignored) {
            EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.status;
            EXPECT_NE(vtest::read_bytes(dir.path(c.output)), old);
        } else {
            EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == c.signal) << run.status;
            EXPECT_EQ(vtest::read_bytes(dir.path(c.output)), old);
        }
    }
}

// A pipe, whether named by /dev/stdout or made by mkfifo, is written straight and takes the
// same bytes as a file; the FIFO stays a FIFO.
TEST(OutputFaults, PipesAndFifosAreWrittenStraight) {
    vtest::ScratchDir dir;
    vtest::write_q47(dir.path("map.q47"), {6, 5, 4}, vtest::ramp(120, 0.5f));
    ASSERT_EQ(::mkfifo(dir.path("fifo").c_str(), 0600), 0);
    const std::string v = "'" + kBinary + "' convert ";
    for (const std::string& to : {std::string("--to q47 "), "--to xplor " + kCell + " "}) {
        ASSERT_EQ(vtest::voxmill(dir, "convert " + to + "map.q47 file").status, 0);
        for (const std::string& run : {"{ " + v + to + "map.q47 /dev/stdout | cat > got; }",
                                       "{ timeout 60 cat fifo > got & " + v + to + "map.q47 fifo; wait; }"}) {
            SCOPED_TRACE(run);
            const vtest::ProcessRun r = vtest::shell(dir, run);
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(vtest::slurp(dir.path("got")), vtest::slurp(dir.path("file")));
            EXPECT_TRUE(fs::is_fifo(dir.path("fifo")));
        }
    }
}

// A read-only file, a loop of links and a chain of more links than the system follows are
// refused as the system words it, and nothing in the folder changes; so is a write to a full
// disk. The console's options that replace files take the path of a file they cannot create.
// One link fewer leads to the file, which is written and stays behind its links.
TEST(OutputFaults, OutputsThatMayNotBeReplacedAreRefused) {
    vtest::ScratchDir dir;
    const std::string map = dir.path("map.q47");
    vtest::write_q47(map, {2, 3, 2, 2}, vtest::ramp(24, 0.25f));
    const std::string locked = dir.path("locked.q47");
    vtest::write_bytes(locked, {'o', 'l', 'd'});
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_symlink("loop2.q47", dir.path("loop1.q47"));
    fs::create_symlink("loop1.q47", dir.path("loop2.q47"));
    vtest::write_bytes(dir.path("end.q47"), {'o', 'l', 'd'});
    for (int i = 0; i <= 40; ++i) {  // link0 .. link40: 41 links to end.q47
        fs::create_symlink(i == 40 ? "end.q47" : "link" + std::to_string(i + 1), dir.path("link" + std::to_string(i)));
    }
    const auto before = snapshot(dir);

    const struct {
        std::string output;
        std::string err;
    } commands[] = {
        {"locked.q47", "voxmill: error: locked.q47: the file is read-only\n"},
        {"loop1.q47", "voxmill: error: loop1.q47: too many levels of symbolic links\n"},
        {"link0", "voxmill: error: link0: too many levels of symbolic links\n"},
        {"/dev/full", "voxmill: error: /dev/full: cannot write the file: no space left on device\n"},
    };
    for (const auto& c : commands) {
        const vtest::ProcessRun r = vtest::voxmill(dir, "convert --to q47 map.q47 " + c.output);
        EXPECT_EQ(r.status, 1) << c.output;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(snapshot(dir), before) << c.output;
    }

    const struct {
        char option;
        std::string before_name, after_name;
    } options[] = {
        {'2', "cannot open the map ", " for writing"},      {'A', "cannot create the output file ", ""},
        {'C', "cannot write the section to ", ""},          {'E', "cannot create the output file ", ""},
        {'F', "cannot create the histogram file ", ""},
    };
    const auto& sessions = vtest::q47_option_sessions();
    for (const auto& o : options) {
        const auto session =
            std::find_if(sessions.begin(), sessions.end(), [&](const auto& s) { return s.option == o.option; });
        ASSERT_NE(session, sessions.end());
        for (const std::string& name : {locked, dir.path("loop1.q47")}) {
            const auto r = vtest::run_session(vtest::typed(vtest::session_lines(*session, map, name)) + "Q\n");
            SCOPED_TRACE(std::string("option ") + o.option + " to " + name);
            EXPECT_EQ(r.status, 3);
            EXPECT_EQ(r.err, "Error: " + o.before_name + name + o.after_name + ". Stopping.\r\n");
            EXPECT_EQ(snapshot(dir), before);
        }
    }

    ASSERT_EQ(vtest::voxmill(dir, "convert map.q47 file.q47").status, 0);
    EXPECT_EQ(vtest::voxmill(dir, "convert --to q47 map.q47 link1").err, "");
    EXPECT_EQ(vtest::slurp(dir.path("end.q47")), vtest::slurp(dir.path("file.q47")));
    EXPECT_TRUE(fs::is_symlink(dir.path("link40")));
}

}  // namespace
