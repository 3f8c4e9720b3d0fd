// The real Windows executables under Wine: runtime discovery through the
// registry of this build's prefix, VM creation through the Java runtime test
// doubles, the launcher's own command-line splitting as it shows in the
// class path and application home it hands the VM, and the trace. There is
// no Windows Java VM here, so no run gets past VM creation.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/files.h"
#include "support/outcome.h"
#include "support/process.h"
#include "support/registry.h"

namespace {

const std::string kNoRuntime =
    "This program requires the Java Runtime Environment. \r\nPlease download at https://jdk.java.net/\r\n";
const std::string kNotCreated = "Could not create the Java virtual machine.\r\n";

const std::string kVandrel = windows_path(VANDREL_LAUNCHER);
const std::string kVandrelRange = windows_path(VANDREL_LAUNCHER_RANGE);
const std::string kVandrelBadMin = windows_path(VANDREL_LAUNCHER_BAD_MIN);
const std::string kDoubles = windows_path(VANDREL_JVM_DOUBLES_DIR);
const std::string kRecording = kDoubles + "\\recording\\jvm.dll";

std::string in_quotes(const std::string& text) { return "\"" + text + "\""; }

// What the recording double writes for the shipped configuration; `args`
// is what follows the program in sun.java.command.
std::string shipped_record(const std::string& home, const std::string& class_path, const std::string& args) {
    return "version 0x00010002\n"
           "ignoreUnrecognized 0\n"
           "nOptions 4\n"
           "option -Dapplication.home=" + home + "\n"
           "option -Xmx256m\n"
           "option -Djava.class.path=" + class_path + "\n"
           "option -Dsun.java.command=" + class_path + args + "\n";
}

typedef std::vector<std::pair<std::string, std::string>> Environment;

class WineLaunch : public ::testing::Test {
  protected:
    void SetUp() override {
        // Nothing of the host's that changes discovery reaches the children.
        SetEnvironmentVariableA("JAVA_HOME", nullptr);
        clear_runtime_keys();
        dir_ = scratch_.path();
        record_ = dir_ + "\\record.txt";
    }

    void TearDown() override { SetEnvironmentVariableA("VANDREL_JVM_RECORD", nullptr); }

    // Registers a runtime: CurrentVersion `version`; with `subkey` the version
    // subkey, holding RuntimeLib when `runtime_lib` is not empty.
    void register_runtime(const std::string& version, bool subkey, const std::string& runtime_lib) {
        if (subkey)
            ASSERT_TRUE(::register_runtime(version, runtime_lib));
        else
            ASSERT_TRUE(set_registry_text(kLegacyRuntimeKey, "CurrentVersion", version));
    }

    void register_recording_runtime() {
        register_runtime("1.8", true, kRecording);
        SetEnvironmentVariableA("VANDREL_JVM_RECORD", record_.c_str());
    }

    // A copy of the launcher at dir_\<relative>.
    std::string place_launcher(const std::string& relative, const std::string& from = kVandrel) {
        std::string path = dir_ + "\\" + relative;
        make_dir(path.substr(0, path.rfind('\\')));
        EXPECT_TRUE(CopyFileA(from.c_str(), path.c_str(), FALSE)) << path;
        return path;
    }

    ProcessResult run(const std::string& application, const std::string& command_line,
                      const std::string& directory = "", const Environment& env = {}) {
        ProcessOptions options;
        options.program = application;
        options.command_line = command_line;
        options.cwd = directory;
        options.env = env;
        return run_process(options);
    }

    std::string take_record() {
        std::string text = read_file(record_);
        DeleteFileA(record_.c_str());
        return text;
    }

    ScratchDir scratch_{"w"};
    std::string dir_;
    std::string record_;
};

// --- runtime discovery -------------------------------------------------------------

TEST_F(WineLaunch, WithoutRuntimeKeyTheConfiguredMessageIsPrintedInBothModes) {
    EXPECT_TRUE(outcome_is(run("", in_quotes(kVandrel)), 1, "", kNoRuntime));
    EXPECT_TRUE(outcome_is(run("", in_quotes(kVandrel) + " game.jar game.exe"), 1, "", kNoRuntime));
}

// A runtime that cannot be found or loaded ends the program with status 1;
// every message of discovery is tested in discovery_windows.
TEST_F(WineLaunch, RegistryFailuresAreReportedWithStatusOne) {
    struct Case {
        const char* what;
        std::string version;
        bool subkey;
        std::string runtime_lib;
        std::string err;
    } cases[] = {
        {"no version subkey", "1.8", false, "",
         "Could not find the Java Runtime Environment.\r\n"
         "No recognized versions in: 'Software\\JavaSoft\\Java Runtime Environment\\'\r\n"},
        {"library without both entry points", "1.8", true, kDoubles + "\\create-only\\jvm.dll",
         "Can't find JNI interfaces in: " + kDoubles + "\\create-only\\jvm.dll\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clear_runtime_keys();
        register_runtime(c.version, c.subkey, c.runtime_lib);
        EXPECT_TRUE(outcome_is(run("", in_quotes(kVandrel) + " a"), 1, "", c.err));
    }
}

TEST_F(WineLaunch, ConfiguredVersionRangeRefusesOtherVersions) {
    const std::string refused = "This program is not compatible with Java version %s.\r\n"
                                "Please contact the author for more information.\r\n"
                                "This program runs on Java 1.4 to 1.6.\r\n";
    auto refusal = [&](const std::string& version) {
        std::string text = refused;
        text.replace(text.find("%s"), 2, version);
        return text;
    };
    SetEnvironmentVariableA("VANDREL_JVM_RECORD", record_.c_str());
    struct Case {
        std::string version;
        std::string err;
    } cases[] = {
        {"1.3", refusal("1.3")},  // below the minimum 1.4
        {"1.8", refusal("1.8")},  // above the maximum 1.6
        {"1.4", kNotCreated},     // the bounds themselves are accepted
        {"1.6", kNotCreated},
        {"11", refusal("11")},    // a whole number is no version the range accepts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        clear_runtime_keys();
        register_runtime(c.version, true, kRecording);
        EXPECT_TRUE(outcome_is(run("", in_quotes(kVandrelRange)), 1, "", c.err));
        // The double is reached only inside the range.
        EXPECT_EQ(take_record().empty(), c.err != kNotCreated);
    }
}

TEST_F(WineLaunch, UnreadableMinimumVersionIsReportedWithoutLineFeed) {
    register_runtime("1.8", true, kRecording);
    EXPECT_TRUE(outcome_is(run("", in_quotes(kVandrelBadMin)), 1, "", "Unrecognized minimum major version: 1.10"));
}

// --- VM creation ---------------------------------------------------------------------

TEST_F(WineLaunch, RefusedVmCreationFollowsTheOptionList) {
    register_recording_runtime();
    std::string exe = place_launcher("bin\\vandrel.exe");
    EXPECT_TRUE(outcome_is(run("", in_quotes(exe) + " a -Jb c"), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(dir_ + "\\bin", exe, " a -Jb c"));

    // The environment's names compare without regard to letter case.
    for (const char* name : {"CLASSPATH", "classpath"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(outcome_is(run("", in_quotes(exe), "", {{name, "C:\\lib\\x.jar;."}}), 1, "", kNotCreated));
        EXPECT_EQ(take_record(), "version 0x00010002\n"
                                 "ignoreUnrecognized 0\n"
                                 "nOptions 5\n"
                                 "option -Denv.class.path=C:\\lib\\x.jar;.\n"
                                 "option -Dapplication.home=" + dir_ + "\\bin\n"
                                 "option -Xmx256m\n"
                                 "option -Djava.class.path=" + exe + "\n"
                                 "option -Dsun.java.command=" + exe + "\n");
    }
}

TEST_F(WineLaunch, ConfiguredVmArgumentsReachTheRuntimeOneOptionPerLine) {
    // Launchers whose value 2 names the recording double relative to their
    // own directory, run where they were built: value 5 with a carriage
    // return and line feed, an empty line and a blank before its comment, or
    // a comment only.
    SetEnvironmentVariableA("VANDREL_JVM_RECORD", record_.c_str());
    struct Case {
        std::string launcher;
        std::vector<std::string> options;
    } cases[] = {
        {windows_path(VANDREL_LAUNCHER_LINES), {"-Dfirst=1", "-Dsecond=2", "", "-Dthird=3 "}},
        {windows_path(VANDREL_LAUNCHER_COMMENT), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.launcher);
        std::string expected = "version 0x00010002\nignoreUnrecognized 0\nnOptions " +
                               std::to_string(c.options.size() + 3) + "\noption -Dapplication.home=" +
                               c.launcher.substr(0, c.launcher.rfind('\\')) + "\n";
        for (const std::string& option : c.options) expected += "option " + option + "\n";
        expected += "option -Djava.class.path=" + c.launcher + "\n";
        expected += "option -Dsun.java.command=" + c.launcher + " some argument\n";
        EXPECT_TRUE(outcome_is(run("", in_quotes(c.launcher) + " some argument"), 1, "", kNotCreated));
        EXPECT_EQ(take_record(), expected);
    }
}

// --- the program's own file, from the command line -----------------------------------

TEST_F(WineLaunch, ProgramNamedWithoutExtensionGetsExeAppended) {
    register_recording_runtime();
    std::string exe = place_launcher("dir with space\\vandrel.exe");
    std::string home = dir_ + "\\dir with space";
    EXPECT_TRUE(outcome_is(run("", in_quotes(home + "\\vandrel") + " x"), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(home, exe, " x"));
}

TEST_F(WineLaunch, BackslashBeforeAQuoteIsAnOrdinaryCharacter) {
    // The command line names the program, relative to the current directory,
    // with a quote right after a backslash. The name it leads to is the
    // program's own file, so that relative name is the class path entry: the
    // line was split by the launcher's rule (a backslash escaping the quote
    // would leave a name of no file, and the module file name would be used).
    register_recording_runtime();
    std::string started = place_launcher("dir with space\\vandrel.exe");
    std::string line = "\"dir with space\\\"vandrel \"x\\\" y";
    EXPECT_TRUE(outcome_is(run(started, line, dir_), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(dir_ + "\\dir with space", "dir with space\\vandrel.exe", " x\\ y"));
}

TEST_F(WineLaunch, DotInTheDirectoryNameMeansNothingIsAppended) {
    register_recording_runtime();
    std::string exe = place_launcher("tools.d\\vandrel.exe");
    std::string home = dir_ + "\\tools.d";
    std::string bare = home + "\\vandrel";
    // The name as typed holds a "." (in the directory), so it is used as it
    // is; here no file has that name, and the module file name is used.
    EXPECT_TRUE(outcome_is(run("", bare), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(home, exe, ""));
    // With a file of exactly that name beside it, that file is the class path.
    ASSERT_TRUE(CopyFileA(exe.c_str(), bare.c_str(), FALSE));
    EXPECT_TRUE(outcome_is(run("", bare), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(home, bare, ""));
}

TEST_F(WineLaunch, BareNameInItsOwnDirectoryIsARelativeClassPath) {
    register_recording_runtime();
    std::string exe = place_launcher("bin\\vandrel.exe");
    // (CreateProcessA searches the caller's directory, not the child's, so
    // the program is given by its full path and named bare on the line.)
    EXPECT_TRUE(outcome_is(run(exe, "vandrel a", dir_ + "\\bin"), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(dir_ + "\\bin", "vandrel.exe", " a"));
}

TEST_F(WineLaunch, BareNameFromAnotherDirectoryUsesTheModuleFileName) {
    register_recording_runtime();
    std::string exe = place_launcher("bin\\vandrel.exe");
    CreateDirectoryA((dir_ + "\\elsewhere").c_str(), nullptr);
    // Started by its full path but named bare on the command line.
    EXPECT_TRUE(outcome_is(run(exe, "vandrel a", dir_ + "\\elsewhere"), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(dir_ + "\\bin", exe, " a"));

    // Found through PATH.
    char old_path[32767];
    DWORD n = GetEnvironmentVariableA("PATH", old_path, sizeof old_path);
    std::string path = dir_ + "\\bin" + (n > 0 && n < sizeof old_path ? ";" + std::string(old_path) : "");
    EXPECT_TRUE(outcome_is(run("", "vandrel a", dir_ + "\\elsewhere", {{"PATH", path}}), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(dir_ + "\\bin", exe, " a"));
}

// --- trace ---------------------------------------------------------------------------------

TEST_F(WineLaunch, TraceShowsTheBannerAndTheOptionDump) {
    register_recording_runtime();
    std::string exe = place_launcher("bin\\vandrel.exe");
    const std::string dump = "----_JAVA_LAUNCHER_DEBUG----\r\n"
                             "JavaVM args:\r\n"
                             "    version 0x00010002, ignoreUnrecognized is JNI_FALSE, nOptions is 4\r\n"
                             "    option[ 0] = '-Dapplication.home=" + dir_ + "\\bin'\r\n"
                             "    option[ 1] = '-Xmx256m'\r\n"
                             "    option[ 2] = '-Djava.class.path=" + exe + "'\r\n"
                             "    option[ 3] = '-Dsun.java.command=" + exe + " a'\r\n";
    // The name compares without regard to letter case; an empty value counts.
    for (const char* name : {"_JAVA_LAUNCHER_DEBUG", "_java_launcher_debug"}) {
        for (const char* value : {"1", ""}) {
            SCOPED_TRACE(std::string(name) + "=" + value);
            EXPECT_TRUE(outcome_is(run("", in_quotes(exe) + " a", "", {{name, value}}), 1, dump, kNotCreated));
            take_record();
        }
    }
}

TEST_F(WineLaunch, TraceBannerComesBeforeDiscoveryMessages) {
    std::string exe = place_launcher("bin\\vandrel.exe");
    EXPECT_TRUE(outcome_is(run("", in_quotes(exe), "", {{"_JAVA_LAUNCHER_DEBUG", "yes"}}), 1,
                           "----_JAVA_LAUNCHER_DEBUG----\r\n", kNoRuntime));
}

}  // namespace
