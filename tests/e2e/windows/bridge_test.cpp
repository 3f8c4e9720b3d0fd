// The real Windows launcher, packing and launching Java applications in a
// real Java VM: the bridge jvm.dll (registered in the prefix's registry as the
// Java runtime) hands its JNI calls to the host's HotSpot VM. Every program is
// started with an exact command line through CreateProcessA, as a shell would.
//
// The launcher's own lines come from the Windows C runtime in text mode and so
// end in "\r\n"; the Java applications' lines come from the host VM and end in
// "\n".
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

const char kUsage[] =
    "Vandrel Console Version " VANDREL_VERSION_TEXT "\r\nUsage: vandrel.exe source.jar [dest.exe]\r\n";
const char kNoManifestWarning[] =
    "Main-Class attribute not found in manifest:\r\nWill attempt to find a main class at run-time.\r\n";
const char kNoMainClass[] = "Can't launch: no main class found\r\n";

const std::string kVandrel = windows_path(VANDREL_LAUNCHER);
const std::string kVandrelPq = windows_path(VANDREL_LAUNCHER_PQ);

std::string jar(const char* name) { return windows_path(VANDREL_JAR_DIR) + "\\" + name; }

// What probe.Args prints (lines of the host VM, ending in "\n"). The path
// properties are seen as the bridge hands them to the host VM: as the Unix
// names of the files, the class path (given relative to `home`) made
// absolute as Windows would resolve it.
std::string args_output(const std::vector<std::string>& args, const std::string& home, const std::string& class_path,
                        const std::string& env_class_path = "null") {
    std::string out = "argc " + std::to_string(args.size()) + "\n";
    for (size_t i = 0; i < args.size(); ++i) out += "arg[" + std::to_string(i) + "] " + args[i] + "\n";
    std::string unix_home = home.substr(2);  // after "Z:"
    for (char& c : unix_home)
        if (c == '\\') c = '/';
    out += "application.home " + unix_home + "\n";
    out += "java.class.path " + unix_home + "/" + class_path + "\n";
    out += "env.class.path " + env_class_path + "\n";
    return out;
}

typedef std::vector<std::pair<std::string, std::string>> Environment;

class BridgeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The bridge is the registered Java runtime of this prefix.
        ASSERT_TRUE(register_runtime("17", windows_path(VANDREL_JVM_BRIDGE)));
    }

    // Copies a file into the work directory under a new name.
    void put(const std::string& source, const char* name) {
        ASSERT_TRUE(CopyFileA(source.c_str(), (dir_ / name).c_str(), FALSE)) << source;
    }

    // A packed executable: the launcher followed by the archive, as the
    // packager writes it (the packager itself is tested below).
    void pack(const std::string& launcher, const char* jar_name, const char* exe_name) {
        write_file(dir_ / exe_name, read_file(launcher) + read_file(jar(jar_name)));
    }

    // Runs the command line in the work directory, the program looked for
    // there first as a shell does.
    ProcessResult run(const std::string& command_line, const Environment& env = {}) {
        ProcessOptions options;
        options.command_line = command_line;
        options.cwd = dir_.path();
        options.env = env;
        return run_process(options);
    }

    std::string home() const { return dir_.path(); }

    ScratchDir dir_{"bridge"};
};

// ---- The packager: the bare launcher ----

using BridgePackager = BridgeTest;

TEST_F(BridgePackager, WrongArgumentCountsShowUsageAndWriteNothing) {
    put(kVandrel, "vandrel.exe");
    put(jar("args.jar"), "args.jar");
    EXPECT_TRUE(outcome_is(run("vandrel.exe"), 1, kUsage, ""));
    // The program name in the banner is what follows the last backslash.
    EXPECT_TRUE(outcome_is(run(".\\vandrel.exe args.jar one two"), 1, kUsage, ""));
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"args.jar", "vandrel.exe"}));
}

TEST_F(BridgePackager, SourceThatIsNotAJarIsRefusedWithStatusTwo) {
    put(kVandrel, "vandrel.exe");
    write_file(dir_ / "notes.txt", "just some text\n");
    EXPECT_TRUE(outcome_is(run("vandrel.exe notes.txt"), 2, kUsage, "Not a valid jar file: notes.txt\r\n"));
    EXPECT_FALSE(file_exists(dir_ / "notes.exe"));
    EXPECT_TRUE(outcome_is(run("vandrel.exe absent.jar out.exe"), 2, kUsage, "Not a valid jar file: absent.jar\r\n"));
    EXPECT_FALSE(file_exists(dir_ / "out.exe"));
    // -J means nothing to the packager: it is taken as the source.
    EXPECT_TRUE(outcome_is(run("vandrel.exe -Jx notes.txt"), 2, kUsage, "Not a valid jar file: -Jx\r\n"));
}

TEST_F(BridgePackager, PackedFileIsLauncherThenJarAndRuns) {
    put(kVandrel, "vandrel.exe");
    put(jar("args.jar"), "args.jar");
    write_file(dir_ / "args.exe", "an older file that is overwritten");
    EXPECT_TRUE(outcome_is(run("vandrel.exe args.jar"), 0,
                        "Creating executable 'args.exe' from 'args.jar'...\r\nSuccess!\r\n", ""));
    EXPECT_TRUE(same_bytes(read_file(kVandrel) + read_file(jar("args.jar")), read_file(dir_ / "args.exe")));

    EXPECT_TRUE(outcome_is(run("args.exe one"), 0, args_output({"one"}, home(), "args.exe"), ""));
}

TEST_F(BridgePackager, AbsoluteSourceAndExplicitDestination) {
    put(kVandrel, "vandrel.exe");
    put(jar("args.jar"), "app.jar");
    std::string source = dir_ / "app.jar";
    EXPECT_TRUE(outcome_is(run("vandrel.exe " + source + " packed"), 0,
                        "Creating executable 'packed' from '" + source + "'...\r\nSuccess!\r\n", ""));
    EXPECT_TRUE(same_bytes(read_file(kVandrel) + read_file(jar("args.jar")), read_file(dir_ / "packed")));
    EXPECT_FALSE(file_exists(dir_ / "app.exe"));
}

TEST_F(BridgePackager, DestinationsThatAreNoFiles) {
    put(kVandrel, "vandrel.exe");
    put(jar("args.jar"), "args.jar");
    // The null device is written as it is: nothing is swapped in for it.
    EXPECT_TRUE(outcome_is(run("vandrel.exe args.jar NUL"), 0,
                        "Creating executable 'NUL' from 'args.jar'...\r\nSuccess!\r\n", ""));
    // A directory cannot be opened as the destination.
    make_dir(dir_ / "dir.exe");
    EXPECT_TRUE(outcome_is(run("vandrel.exe args.jar dir.exe"), 3,
                        "Creating executable 'dir.exe' from 'args.jar'...\r\n", "Error opening 'dir.exe'\r\n"));
    EXPECT_TRUE(list_dir(dir_ / "dir.exe").empty());
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"args.jar", "dir.exe", "vandrel.exe"}));
}

TEST_F(BridgePackager, JarWithoutManifestIsPackedWithWarning) {
    put(kVandrel, "vandrel.exe");
    put(jar("noentry.jar"), "plain.jar");
    EXPECT_TRUE(outcome_is(run("vandrel.exe plain.jar"), 0,
                        std::string(kNoManifestWarning) +
                            "Creating executable 'plain.exe' from 'plain.jar'...\r\nSuccess!\r\n",
                        ""));
    EXPECT_TRUE(same_bytes(read_file(kVandrel) + read_file(jar("noentry.jar")), read_file(dir_ / "plain.exe")));
    // Nothing in it has a main method: the packed program cannot launch.
    EXPECT_TRUE(outcome_is(run("plain.exe"), 1, "", kNoMainClass));
}

// ---- Launching a packed executable ----

using BridgeLaunch = BridgeTest;

TEST_F(BridgeLaunch, DashJArgumentsComeFirst) {
    pack(kVandrel, "args.jar", "app.exe");
    EXPECT_TRUE(outcome_is(run("app.exe A -JB C"), 0, args_output({"B", "A", "C"}, home(), "app.exe"), ""));
    EXPECT_TRUE(outcome_is(run("app.exe"), 0, args_output({}, home(), "app.exe"), ""));
    // Started without its extension: the class path gets one.
    EXPECT_TRUE(outcome_is(run("app -J-x"), 0, args_output({"-x"}, home(), "app.exe"), ""));
}

TEST_F(BridgeLaunch, ConfiguredArgumentsFrameTheUsers) {
    pack(kVandrelPq, "args.jar", "app.exe");
    EXPECT_TRUE(outcome_is(run("app.exe A -JB C"), 0, args_output({"P", "B", "A", "C", "Q"}, home(), "app.exe"), ""));
}

// The launcher's own splitting rule reaches main (every rule of it is tested
// in unit_command_line): a backslash is an ordinary character, also before a
// quote, and a quoted empty argument and a quoted -J argument survive.
TEST_F(BridgeLaunch, CommandLineSplitting) {
    pack(kVandrel, "args.jar", "app.exe");
    EXPECT_TRUE(outcome_is(run("app.exe a\\\"b c\""), 0, args_output({"a\\b c"}, home(), "app.exe"), ""));
    EXPECT_TRUE(outcome_is(run("app.exe \"\" -J\"a b\""), 0, args_output({"a b", ""}, home(), "app.exe"), ""));
}

// A relative program path and text in the ANSI code page mean what they
// mean on Windows: the host VM's native encoding is code page 1252, where
// "\xe9" is "\u00e9".
TEST_F(BridgeLaunch, RelativePathsAndAnsiTextMeanWhatTheyMeanOnWindows) {
    make_dir(dir_ / "sub");
    pack(kVandrel, "args.jar", "sub\\app.exe");
    EXPECT_TRUE(outcome_is(run("sub\\app.exe caf\xe9"), 0, args_output({"caf\xe9"}, dir_ / "sub", "app.exe"), ""));
    // From a directory whose name holds that character.
    std::string named = dir_ / "r\xe9p";
    make_dir(named);
    write_file(named + "\\app.exe", read_file(dir_ / "sub\\app.exe"));
    for (const std::string& command : {std::string("r\xe9p\\app.exe x"), "\"" + named + "\\app.exe\" x"}) {
        ProcessResult r = run(command);
        EXPECT_EQ(0, r.status) << command << ": " << r.err;
        EXPECT_EQ("argc 1\narg[0] x\n", r.out.substr(0, 16)) << command;
    }
}

TEST_F(BridgeLaunch, ExceptionFromMainIsDescribedWithStatusOne) {
    pack(kVandrel, "throws.jar", "app.exe");
    ProcessResult r = run("app.exe x y");
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("about to throw\n", r.out);
    EXPECT_EQ(0u, r.err.find("Exception in thread \"main\" java.lang.IllegalStateException: probe failure 2\n"
                             "\tat probe.Throws.main(Throws.java:"))
        << r.err;
}

TEST_F(BridgeLaunch, ThreadOutlivingMainFinishesBeforeExit) {
    pack(kVandrel, "lingers.jar", "app.exe");
    EXPECT_TRUE(outcome_is(run("app.exe"), 0, "main returns\nworker done\n", ""));
}

TEST_F(BridgeLaunch, MainClassProblems) {
    // The manifest names a class that is not there.
    pack(kVandrel, "missing.jar", "missing.exe");
    ProcessResult r = run("missing.exe");
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_TRUE(contains(r.err, "java.lang.NoClassDefFoundError: probe/Missing"));

    // main(String[]) exists only as an instance method.
    pack(kVandrel, "nomain.jar", "nomain.exe");
    r = run("nomain.exe");
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_TRUE(contains(r.err, "java.lang.NoSuchMethodError"));

    // No manifest and no class with a main method.
    pack(kVandrel, "noentry.jar", "plain.exe");
    EXPECT_TRUE(outcome_is(run("plain.exe a"), 1, "", kNoMainClass));
}

TEST_F(BridgeLaunch, ArchiveScanFindsTheTopLevelMainClass) {
    // scan.Found has main; scan.Helper has none; scan.Found$Inner has one
    // but is nested.
    pack(kVandrel, "scan.jar", "scan.exe");
    EXPECT_TRUE(outcome_is(run("scan.exe one"), 0, "found by scan with 1 argument(s)\n", ""));
}

// The manifest's Add-Opens reaches the runtime before the main class is
// initialised, and sun.java.command names the program and its arguments as
// typed, the program's path as a Windows runtime would see it. The agent is
// loaded from the program's file.
TEST_F(BridgeLaunch, ManifestAttributesAndTheCommand) {
    pack(kVandrel, "opens.jar", "app.exe");
    EXPECT_TRUE(outcome_is(run("app.exe a -Jb"), 0, "opened\ncommand app.exe a -Jb\n", ""));
    pack(kVandrel, "agent.jar", "agent.exe");
    EXPECT_TRUE(outcome_is(run(home() + "\\agent.exe"), 0, "agentmain with \nmain with 0 argument(s)\n", ""));
}

TEST_F(BridgeLaunch, TraceListsOptionsAndArguments) {
    pack(kVandrel, "args.jar", "app.exe");
    const std::string classpath = "C:\\libs\\extra.jar;rel\\other.jar";
    ProcessResult r = run("app x -Jy", {{"_JAVA_LAUNCHER_DEBUG", ""}, {"CLASSPATH", classpath}});
    std::string expected = "----_JAVA_LAUNCHER_DEBUG----\r\n"
                           "JavaVM args:\r\n"
                           "    version 0x00010002, ignoreUnrecognized is JNI_FALSE, nOptions is 5\r\n"
                           "    option[ 0] = '-Denv.class.path=" + classpath + "'\r\n"
                           "    option[ 1] = '-Dapplication.home=" + home() + "'\r\n"
                           "    option[ 2] = '-Xmx256m'\r\n"
                           "    option[ 3] = '-Djava.class.path=app.exe'\r\n"
                           "    option[ 4] = '-Dsun.java.command=app.exe x -Jy'\r\n"
                           "Main-Class is 'probe.Args'\r\n"
                           "Apps' argc is 2\r\n"
                           "    app_argv[ 0] = 'y'\r\n"
                           "    app_argv[ 1] = 'x'\r\n" +
                           // Paths of directories that do not exist have no Unix
                           // names: the bridge hands them over as they are.
                           args_output({"y", "x"}, home(), "app.exe", "C:\\libs\\extra.jar:rel\\other.jar");
    EXPECT_TRUE(outcome_is(r, 0, expected, ""));
}

TEST_F(BridgeLaunch, TraceOfThePackager) {
    put(kVandrel, "vandrel.exe");
    put(jar("noentry.jar"), "plain.jar");
    EXPECT_TRUE(outcome_is(run("vandrel.exe plain.jar p.exe", {{"_java_launcher_debug", "1"}}), 0,
                           "----_JAVA_LAUNCHER_DEBUG----\r\n"
                           "JavaVM args:\r\n"
                           "    version 0x00010002, ignoreUnrecognized is JNI_FALSE, nOptions is 4\r\n"
                           "    option[ 0] = '-Dapplication.home=" + home() + "'\r\n"
                           "    option[ 1] = '-Xmx256m'\r\n"
                           "    option[ 2] = '-Djava.class.path=vandrel.exe'\r\n"
                           "    option[ 3] = '-Dsun.java.command=vandrel.exe plain.jar p.exe'\r\n" +
                               kNoManifestWarning + "Creating executable 'p.exe' from 'plain.jar'...\r\nSuccess!\r\n",
                           ""));
}

}  // namespace
