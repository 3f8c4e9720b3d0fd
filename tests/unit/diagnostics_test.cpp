// The output routines, the trace switch and allocate_or_exit.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "base/diagnostics.h"
#include "platform/platform.h"
#include "support/capture.h"
#include "support/files.h"
#include "support/platform_fakes.h"
#include "support/process.h"

namespace {

const char kBanner[] = "----_JAVA_LAUNCHER_DEBUG----\n";

TEST(PrintError, WritesTheFormattedTextToStandardErrorAtOnce) {
    ScratchDir dir("print_error");
    StreamCapture out(1, dir / "out");
    StreamCapture err(2, dir / "err");
    print_error("Error loading: %s\n", "C:\\Program Files\\jvm.dll");
    // Unbuffered: the text is in the file before the capture ends.
    EXPECT_EQ(as_written("Error loading: C:\\Program Files\\jvm.dll\n"), read_file(dir / "err"));
    int written = print_error("Unrecognized minimum major version: %s", "1.10");
    EXPECT_EQ(int(strlen("Unrecognized minimum major version: 1.10")), written);
    EXPECT_EQ(as_written("Error loading: C:\\Program Files\\jvm.dll\n") + "Unrecognized minimum major version: 1.10",
              read_file(dir / "err"));
    print_error("%2d|%ld|%08lx|100%%\n", 7, 12345678L, 0x10002UL);
    EXPECT_EQ(as_written("Error loading: C:\\Program Files\\jvm.dll\nUnrecognized minimum major version: 1.10"
                         " 7|12345678|00010002|100%\n"),
              err.finish());
    EXPECT_EQ("", out.finish());
}

TEST(PrintInfo, WritesToStandardOutputAndFlushesAtLineEnds) {
    ScratchDir dir("print_info");
    StreamCapture err(2, dir / "err");
    StreamCapture out(1, dir / "out");
    print_info("Creating executable '%s' from '%s'...\n", "game.exe", "game.jar");
    EXPECT_EQ(as_written("Creating executable 'game.exe' from 'game.jar'...\n"), read_file(dir / "out"));
    print_trace("    option[%2d] = '%s'\n", 3, "-Xmx256m");
    EXPECT_EQ(as_written("Creating executable 'game.exe' from 'game.jar'...\n    option[ 3] = '-Xmx256m'\n"),
              out.finish());
    EXPECT_EQ("", err.finish());
}

// Runs the trace switch with the environment as it is, capturing stdout.
std::string switch_trace(const ScratchDir& dir) {
    debug_trace = false;
    StreamCapture out(1, dir / "trace");
    switch_trace_from_environment();
    return out.finish();
}

void set_env(const char* name, const char* value) {
#ifdef _WIN32
    // The C library's copy of the environment is what getenv reads; an empty
    // value would remove the entry there.
    std::string entry = std::string(name) + "=" + (value ? value : "");
    _putenv(entry.c_str());
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

class TraceSwitch : public ::testing::Test {
  protected:
    void TearDown() override {
        set_env("_JAVA_LAUNCHER_DEBUG", nullptr);
        set_env("_java_launcher_debug", nullptr);
        debug_trace = false;
    }
    ScratchDir dir_{"trace"};
};

TEST_F(TraceSwitch, StaysOffWithoutTheVariable) {
    set_env("_JAVA_LAUNCHER_DEBUG", nullptr);
    EXPECT_EQ("", switch_trace(dir_));
    EXPECT_FALSE(debug_trace);
}

TEST_F(TraceSwitch, AnyValuePrintsTheBannerFirst) {
    set_env("_JAVA_LAUNCHER_DEBUG", "0");
    EXPECT_EQ(as_written(kBanner), switch_trace(dir_));
    EXPECT_TRUE(debug_trace);
}

TEST_F(TraceSwitch, NameComparesAsTheEnvironmentDoes) {
    set_env("_java_launcher_debug", "yes");
#ifdef _WIN32
    EXPECT_EQ(as_written(kBanner), switch_trace(dir_));
    EXPECT_TRUE(debug_trace);
#else
    EXPECT_EQ("", switch_trace(dir_));
    EXPECT_FALSE(debug_trace);
#endif
}

#ifdef _WIN32
// An empty value can only come with the process's environment: the variable
// is put into the system's block, which a new process inherits.
TEST_F(TraceSwitch, EmptyValueInOtherLetterCaseSwitchesItOnInANewProcess) {
    std::string capture = dir_ / "child_stdout";
    ProcessOptions child;
    child.program = program_path();
    child.command_line = "\"" + program_path() + "\" --gtest_filter=TraceSwitchChild.*";
    child.env = {{"_java_Launcher_Debug", ""}, {"VANDREL_TRACE_CAPTURE", capture}};
    ProcessResult r = run_process(child);
    EXPECT_TRUE(r.started) << r.failure;
    EXPECT_EQ(0, r.status) << r.out;
    EXPECT_EQ(as_written(kBanner), read_file(capture));
}

TEST(TraceSwitchChild, SwitchesOnFromTheInheritedEnvironment) {
    const char* capture = getenv("VANDREL_TRACE_CAPTURE");
    if (capture == nullptr) GTEST_SKIP() << "runs as the child of TraceSwitch.EmptyValue...";
    const char* value = getenv("_JAVA_LAUNCHER_DEBUG");
    ASSERT_NE(nullptr, value);
    EXPECT_STREQ("", value);
    StreamCapture out(1, capture);
    switch_trace_from_environment();
    out.finish();
    EXPECT_TRUE(debug_trace);
}
#else
TEST_F(TraceSwitch, EmptyValueSwitchesItOn) {
    set_env("_JAVA_LAUNCHER_DEBUG", "");
    EXPECT_EQ(as_written(kBanner), switch_trace(dir_));
    EXPECT_TRUE(debug_trace);
}
#endif

// The pause before a failing program's console closes, over a console state
// served by the platform table (restored by a ScriptedPlatform); standard
// input is a file holding one line.
ConsoleState fake_console = {0, false};
std::string fake_errors;
ConsoleState serve_console() { return fake_console; }
void keep_error(const char* text, int length) { fake_errors.append(text, size_t(length)); }

struct PauseCase {
    const char* name;
    int processes;  // 0: no console (a GUI program)
    bool input_is_console;
    int status;
    bool pauses;
};

const PauseCase kPauseCases[] = {
    {"console made for it alone, failure", 1, true, 1, true},
    {"console made for it alone, a packager failure", 1, true, 7, true},
    {"console made for it alone, success", 1, true, 0, false},
    {"console shared with the shell that started it", 2, true, 1, false},
    {"console made for it alone, input redirected", 1, false, 1, false},
    {"GUI program (no console)", 0, false, 1, false},
    {"GUI program with input from a console handle", 0, true, 1, false},
};

TEST(PauseBeforeExit, WaitsForALineOnlyWhenAFailureClosesItsOwnConsole) {
    ScriptedPlatform machine;  // restores the table at the end
    platform.console_state = serve_console;
    platform.write_error = keep_error;
    ScratchDir dir("pause");
    for (const PauseCase& c : kPauseCases) {
        write_file(dir / "input", "\nnext line\n");
        ASSERT_NE(nullptr, freopen((dir / "input").c_str(), "r", stdin));
        fake_console = {c.processes, c.input_is_console};
        fake_errors.clear();
        EXPECT_EQ(c.pauses, c.status != 0 && console_closes_with_process()) << c.name;
        pause_before_exit(c.status);
        EXPECT_EQ(c.pauses ? "Press Enter to close this window.\n" : "", fake_errors) << c.name;
        // The wait takes exactly the first line.
        EXPECT_EQ(c.pauses ? 'n' : '\n', getchar()) << c.name;
    }
}

void fail_in_own_console() {
    platform.console_state = serve_console;
    fake_console = {1, true};
    end_process(3);
}

TEST(EndProcessDeathTest, PausesThenEndsWithTheStatus) {
    ScratchDir dir("end_process");
    write_file(dir / "input", "\n");
    ASSERT_NE(nullptr, freopen((dir / "input").c_str(), "r", stdin));
    EXPECT_EXIT(fail_in_own_console(), ::testing::ExitedWithCode(3), "Press Enter to close this window.");
}

TEST(AllocateOrExit, ReturnsDistinctWritableBlocks) {
    char* a = static_cast<char*>(allocate_or_exit(0));
    char* b = static_cast<char*>(allocate_or_exit(1));
    char* c = static_cast<char*>(allocate_or_exit(100000));
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    ASSERT_NE(nullptr, c);
    EXPECT_NE(a, b);
    b[0] = 'x';
    memset(c, 'y', 100000);
    EXPECT_EQ('y', c[99999]);
    free(a);
    free(b);
    free(c);
}

void announce_exit() { fputs("exit handlers ran\n", stderr); }

// What the child's standard error must hold, as a whole: the C library's
// report for "malloc", then the output of the exit handler registered first.
// Line ends are compared as line feeds: the death-test runner's pipe decides
// whether a Windows child writes "\r\n".
class ExhaustionReport : public ::testing::MatcherInterface<const std::string&> {
  public:
    ExhaustionReport() : expected_(std::string("malloc: ") + strerror(ENOMEM) + "\nexit handlers ran\n") {}
    bool MatchAndExplain(const std::string& actual, ::testing::MatchResultListener* listener) const override {
        std::string lines;
        for (char c : actual)
            if (c != '\r') lines += c;
#if defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer announces the refused block on a line of its own.
        if (lines.compare(0, 2, "==") == 0) lines.erase(0, lines.find('\n') + 1);
#endif
        *listener << "which is " << ::testing::PrintToString(actual);
        return lines == expected_;
    }
    void DescribeTo(std::ostream* os) const override { *os << "is " << ::testing::PrintToString(expected_); }

  private:
    std::string expected_;
};

::testing::Matcher<const std::string&> exhaustion_report() {
    return ::testing::Matcher<const std::string&>(new ExhaustionReport);
}

void exhaust_with_negative_size() {
    atexit(announce_exit);
    allocate_or_exit(-1);
    fputs("returned\n", stderr);
}

TEST(AllocateOrExitDeathTest, ImpossibleSizeEndsTheProcessThroughExit) {
    EXPECT_EXIT(exhaust_with_negative_size(), ::testing::ExitedWithCode(1), exhaustion_report());
}

#ifndef _WIN32
#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer reserves far more address space than any limit the test
// could set; its allocator refuses the large blocks instead.
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=1024:allocator_may_return_null=1"; }
#endif

void exhaust_the_heap() {
    atexit(announce_exit);
#if !defined(__SANITIZE_ADDRESS__)
    // Room for what the process holds already, but not for one more block of
    // that size.
    struct rlimit limit;
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = rlim_t(1) << 32;
    setrlimit(RLIMIT_AS, &limit);
#endif
    allocate_or_exit(INT_MAX);
    allocate_or_exit(INT_MAX);
    allocate_or_exit(INT_MAX);
    fputs("returned\n", stderr);
}

TEST(AllocateOrExitDeathTest, ExhaustedHeapEndsTheProcessThroughExit) {
    EXPECT_EXIT(exhaust_the_heap(), ::testing::ExitedWithCode(1), exhaustion_report());
}
#endif

}  // namespace
