// Packed programs started as their user starts them, with the real Java VM:
// the arguments that reach main, the exit status, the trace, the failures
// of the launch, and how the program finds its own file.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/outcome.h"
#include "support/process.h"

namespace {

const std::string kUsage = "Vandrel Console Version " VANDREL_VERSION_TEXT "\nUsage: vandrel source.jar [dest.exe]\n";

std::string jar_path(const std::string& name) { return std::string(VANDREL_JAR_DIR) + "/" + name; }

// What probe.Args prints.
std::string args_output(const std::vector<std::string>& args, const std::string& home, const std::string& class_path,
                        const std::string& env_class_path = "null") {
    std::string out = "argc " + std::to_string(args.size()) + "\n";
    for (size_t i = 0; i < args.size(); ++i) out += "arg[" + std::to_string(i) + "] " + args[i] + "\n";
    out += "application.home " + home + "\n";
    out += "java.class.path " + class_path + "\n";
    out += "env.class.path " + env_class_path + "\n";
    return out;
}

bool starts_with(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

class Launch : public ::testing::Test {
  protected:
    // Writes the launcher file followed by the archive: a packed program.
    std::string packed(const std::string& jar, const std::string& name, const char* launcher = VANDREL_LAUNCHER) {
        std::string path = dir_ / name;
        std::string launcher_bytes = read_file(launcher);
        std::string jar_bytes = read_file(jar_path(jar));
        EXPECT_FALSE(launcher_bytes.empty());
        EXPECT_FALSE(jar_bytes.empty());
        write_file(path, launcher_bytes + jar_bytes, 0755);
        return path;
    }

    // Runs ./<name> from the scratch directory.
    ProcessResult run_here(const std::string& name, const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& env = {}) {
        ProcessOptions proc;
        proc.program = dir_ / name;
        proc.argv = {"./" + name};
        proc.argv.insert(proc.argv.end(), args.begin(), args.end());
        proc.cwd = dir_.path();
        proc.env = env;
        return run_process(proc);
    }

    ScratchDir dir_;
};

// --- arguments ------------------------------------------------------------------

TEST_F(Launch, DashJArgumentsComeFirstWithoutTheirPrefix) {
    packed("args.jar", "app");
    ProcessResult r = run_here("app", {"A", "-JB", "C", "-J", "-jx", "with blank", "-JJ"});
    EXPECT_TRUE(outcome_is(r, 0, args_output({"B", "", "J", "A", "C", "-jx", "with blank"}, dir_.path(), "./app"), ""));
}

TEST_F(Launch, ConfiguredArgumentsFrameTheUsersOnes) {
    packed("args.jar", "app", VANDREL_LAUNCHER_PQ);
    ProcessResult r = run_here("app", {"A", "-JB", "C"});
    EXPECT_TRUE(outcome_is(r, 0, args_output({"P", "B", "A", "C", "Q"}, dir_.path(), "./app"), ""));
}

TEST_F(Launch, ClasspathVariableBecomesAPropertyButNotTheClassPath) {
    packed("args.jar", "app");
    ProcessResult r = run_here("app", {}, {{"CLASSPATH", "/elsewhere/lib.jar"}});
    EXPECT_TRUE(outcome_is(r, 0, args_output({}, dir_.path(), "./app", "/elsewhere/lib.jar"), ""));
    r = run_here("app", {}, {{"CLASSPATH", ""}});
    EXPECT_TRUE(outcome_is(r, 0, args_output({}, dir_.path(), "./app", ""), ""));
}

// --- trace ------------------------------------------------------------------------

TEST_F(Launch, TraceShowsBannerOptionsMainClassAndArgumentsExactly) {
    packed("args.jar", "app", VANDREL_LAUNCHER_PQ);
    const std::string home = dir_.path();
    const std::string trace_head =
        "----_JAVA_LAUNCHER_DEBUG----\n"
        "JavaVM args:\n"
        "    version 0x00010002, ignoreUnrecognized is JNI_FALSE, nOptions is ";
    const std::string trace_tail =
        "    option[ 1] = '-Xmx256m'\n"
        "    option[ 2] = '-Djava.class.path=./app'\n"
        "    option[ 3] = '-Dsun.java.command=./app A -JB C'\n"
        "Main-Class is 'probe.Args'\n"
        "Apps' argc is 5\n"
        "    app_argv[ 0] = 'P'\n"
        "    app_argv[ 1] = 'B'\n"
        "    app_argv[ 2] = 'A'\n"
        "    app_argv[ 3] = 'C'\n"
        "    app_argv[ 4] = 'Q'\n";
    // An empty value turns the trace on too.
    ProcessResult r = run_here("app", {"A", "-JB", "C"}, {{"_JAVA_LAUNCHER_DEBUG", ""}});
    EXPECT_TRUE(outcome_is(r, 0,
                           trace_head + "4\n" + "    option[ 0] = '-Dapplication.home=" + home + "'\n" + trace_tail +
                               args_output({"P", "B", "A", "C", "Q"}, home, "./app"),
                           ""));

    // With CLASSPATH defined its option comes first and shifts the others.
    r = run_here("app", {}, {{"_JAVA_LAUNCHER_DEBUG", "1"}, {"CLASSPATH", "cp"}});
    EXPECT_TRUE(outcome_is(
        r, 0,
        trace_head + "5\n" + "    option[ 0] = '-Denv.class.path=cp'\n" + "    option[ 1] = '-Dapplication.home=" +
            home + "'\n" + "    option[ 2] = '-Xmx256m'\n" + "    option[ 3] = '-Djava.class.path=./app'\n" +
            "    option[ 4] = '-Dsun.java.command=./app'\n" + "Main-Class is 'probe.Args'\n" + "Apps' argc is 2\n" +
            "    app_argv[ 0] = 'P'\n" + "    app_argv[ 1] = 'Q'\n" + args_output({"P", "Q"}, home, "./app", "cp"),
        ""));
}

TEST_F(Launch, WithoutTraceTheLauncherPrintsNothingOfItsOwn) {
    packed("args.jar", "app");
    ProcessResult r = run_here("app", {"x"});
    EXPECT_TRUE(outcome_is(r, 0, args_output({"x"}, dir_.path(), "./app"), ""));
}

// --- exit status and the application's threads -----------------------------

TEST_F(Launch, ExceptionFromMainIsDescribedAndGivesStatusOne) {
    packed("throws.jar", "app");
    ProcessResult r = run_here("app", {"a", "b"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "about to throw\n");
    EXPECT_TRUE(starts_with(r.err,
                            "Exception in thread \"main\" java.lang.IllegalStateException: probe failure 2\n"
                            "\tat probe.Throws.main(Throws.java:"))
        << r.err;
    EXPECT_EQ(r.err.find("Can't launch"), std::string::npos) << r.err;
}

TEST_F(Launch, NonDaemonThreadOutlivesMainAndTheProcessWaitsForIt) {
    packed("lingers.jar", "app");
    ProcessResult r = run_here("app", {});
    EXPECT_TRUE(outcome_is(r, 0, "main returns\nworker done\n", ""));
}

// --- failures to launch -------------------------------------------------------------

TEST_F(Launch, ArchivesWithoutARunnableMainClassAreRefused) {
    // The real VM reports a missing method or class with a pending error,
    // which is described instead of the launcher's own message; neither the
    // instance main(String[]) nor the static main() of nomain.jar is run.
    struct Case {
        const char* jar;
        const char* err;  // the whole of standard error, or its beginning
        bool whole;
        const char* err_holds;  // "": nothing more
    };
    const Case cases[] = {
        {"noentry.jar", "Can't launch: no main class found\n", true, ""},
        {"nomain.jar", "Exception in thread \"main\" java.lang.NoSuchMethodError: ", false,
         "main([Ljava/lang/String;)V"},
        {"missing.jar", "Exception in thread \"main\" java.lang.NoClassDefFoundError: probe/Missing\n", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jar);
        packed(c.jar, "app");
        ProcessResult r = run_here("app", {"a"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(c.whole ? r.err : r.err.substr(0, strlen(c.err)), c.err);
        EXPECT_NE(r.err.find(c.err_holds), std::string::npos) << r.err;
    }
}

TEST_F(Launch, ArchiveWithoutManifestRunsTheClassFoundByTheScan) {
    packed("scan.jar", "app");
    ProcessResult r = run_here("app", {"one"});
    EXPECT_TRUE(outcome_is(r, 0, "found by scan with 1 argument(s)\n", ""));
}

TEST_F(Launch, BrokenJavaHomeGivesWayToTheSystemsJava) {
    // The system's default Java home is looked at after JAVA_HOME; the
    // message of a machine without any runtime is left to the unit tests. A
    // relative PATH entry names a folder of the current directory, where a
    // runtime of a higher version is planted (the recording double, which
    // refuses to create a VM): it is never looked at.
    packed("args.jar", "app");
    make_dir(dir_ / "bin");
    make_dir(dir_ / "lib/server");
    write_file(dir_ / "bin/java", "", 0755);
    write_file(dir_ / "release", "JAVA_VERSION=\"99\"\n");
    copy_file(VANDREL_RECORDING_DOUBLE, dir_ / "lib/server/libjvm.so");
    for (const char* path : {"", "bin", "/usr/bin:/bin:bin"}) {
        SCOPED_TRACE(path);
        ProcessResult r = run_here("app", {"a"}, {{"JAVA_HOME", dir_ / "no-such-runtime"}, {"PATH", path}});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(starts_with(r.out, "argc 1\narg[0] a\n")) << r.out;
    }
}

TEST_F(Launch, RuntimeThatRefusesTheVmGivesItsMessageAfterTheOptions) {
    // A Java home whose library is the recording double: it records the
    // options it is given and refuses to create the VM.
    make_dir(dir_ / "jdk");
    make_dir(dir_ / "jdk/lib");
    make_dir(dir_ / "jdk/lib/server");
    write_file(dir_ / "jdk/release", "JAVA_VERSION=\"17.0.1\"\n");
    copy_file(VANDREL_RECORDING_DOUBLE, dir_ / "jdk/lib/server/libjvm.so");
    packed("args.jar", "app");
    std::string record = dir_ / "record.txt";
    ProcessResult r = run_here("app", {"a"}, {{"JAVA_HOME", dir_ / "jdk"}, {"VANDREL_JVM_RECORD", record}});
    EXPECT_TRUE(outcome_is(r, 1, "", "Could not create the Java virtual machine.\n"));
    EXPECT_EQ(read_file(record),
              "version 0x00010002\n"
              "ignoreUnrecognized 0\n"
              "nOptions 4\n"
              "option -Dapplication.home=" +
                  dir_.path() +
                  "\n"
                  "option -Xmx256m\n"
                  "option -Djava.class.path=./app\n"
                  "option -Dsun.java.command=./app a\n");
}

TEST_F(Launch, ConfiguredVmArgumentsReachTheRuntimeOneOptionPerLine) {
    // Launchers whose value 2 names the recording double relative to their
    // own directory, run where they were built: value 5 with a carriage
    // return and line feed, an empty line and a blank before its comment, or
    // a comment only.
    std::string record = dir_ / "record.txt";
    struct Case {
        const char* launcher;
        std::vector<std::string> options;
    } cases[] = {
        {VANDREL_LAUNCHER_LINES, {"-Dfirst=1", "-Dsecond=2", "", "-Dthird=3 "}},
        {VANDREL_LAUNCHER_COMMENT, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.launcher);
        std::string launcher = c.launcher;
        std::string expected = "version 0x00010002\nignoreUnrecognized 0\nnOptions " +
                               std::to_string(c.options.size() + 3) +
                               "\noption -Dapplication.home=" + launcher.substr(0, launcher.rfind('/')) + "\n";
        for (const std::string& option : c.options) expected += "option " + option + "\n";
        expected += "option -Djava.class.path=" + launcher + "\n";
        expected += "option -Dsun.java.command=" + launcher + " some argument\n";
        ProcessOptions proc;
        proc.program = launcher;
        proc.argv = {launcher, "some", "argument"};
        proc.env = {{"VANDREL_JVM_RECORD", record}};
        EXPECT_TRUE(outcome_is(run_process(proc), 1, "", "Could not create the Java virtual machine.\n"));
        EXPECT_EQ(read_file(record), expected);
        remove(record.c_str());
    }
}

// --- how the program finds its own file -------------------------------------------

TEST_F(Launch, StartedThroughPathRunsTheApplication) {
    std::string bin = dir_ / "bin";
    make_dir(bin);
    make_dir(dir_ / "elsewhere");
    write_file(bin + "/app", read_file(VANDREL_LAUNCHER) + read_file(jar_path("args.jar")), 0755);
    // Somebody else's program of the same name in the current directory.
    write_file(dir_ / "elsewhere/app", read_file(VANDREL_LAUNCHER) + read_file(jar_path("throws.jar")), 0755);
    ProcessOptions proc;
    proc.program = "app";
    proc.search_path = true;
    proc.argv = {"app", "x"};
    proc.cwd = dir_ / "elsewhere";
    proc.env = {{"PATH", bin + ":/usr/bin:/bin"}};
    ProcessResult r = run_process(proc);
    EXPECT_TRUE(outcome_is(r, 0, args_output({"x"}, bin, bin + "/app"), ""));
}

TEST_F(Launch, StartedByBareNameFromAnotherDirectoryRunsTheApplication) {
    std::string app = packed("args.jar", "app");
    make_dir(dir_ / "elsewhere");
    ProcessOptions proc;
    proc.program = app;
    proc.argv = {"app", "x", "-Jy"};
    proc.cwd = dir_ / "elsewhere";
    ProcessResult r = run_process(proc);
    EXPECT_TRUE(outcome_is(r, 0, args_output({"y", "x"}, dir_.path(), app), ""));

    // The bare launcher started the same way is the packager.
    write_file(dir_ / "vandrel", read_file(VANDREL_LAUNCHER), 0755);
    proc.program = dir_ / "vandrel";
    proc.argv = {"vandrel"};
    r = run_process(proc);
    EXPECT_TRUE(outcome_is(r, 1, kUsage, ""));
}

TEST_F(Launch, AFileOfTheTypedNameIsNeverRunInsteadOfTheProgram) {
    // The first argument names the program's file only when it leads to the
    // file the system started; otherwise the module file is the program.
    std::string app = packed("args.jar", "app");
    write_file(dir_ / "vandrel", read_file(VANDREL_LAUNCHER), 0755);
    ProcessOptions proc;
    proc.cwd = dir_.path();
    proc.program = dir_ / "vandrel";
    proc.argv = {"./app", "z"};
    ProcessResult r = run_process(proc);
    EXPECT_TRUE(outcome_is(r, 2, "Vandrel Console Version " VANDREL_VERSION_TEXT "\nUsage: app source.jar [dest.exe]\n",
                           "Not a valid jar file: z\n"));

    proc.program = app;
    proc.argv = {"./vandrel"};
    r = run_process(proc);
    EXPECT_TRUE(outcome_is(r, 0, args_output({}, dir_.path(), app), ""));
}

// --- the sample application, packed by the packager itself -----------------------

TEST_F(Launch, PackedSampleRunsWithArgumentsAndItsLateThread) {
    std::string vandrel = dir_ / "vandrel";
    write_file(vandrel, read_file(VANDREL_LAUNCHER), 0755);
    copy_file(VANDREL_SAMPLE_JAR, dir_ / "sample.jar", 0644);
    ProcessResult r = run_here("vandrel", {"sample.jar", "sample"});
    ASSERT_TRUE(outcome_is(r, 0, "Creating executable 'sample' from 'sample.jar'...\nSuccess!\n", ""));
    r = run_here("sample", {"first", "-Jsecond", "third"});
    EXPECT_TRUE(outcome_is(r, 0,
                           "sample: 3 argument(s)\n"
                           "  arg[0] = second\n"
                           "  arg[1] = first\n"
                           "  arg[2] = third\n"
                           "  application.home = " +
                               dir_.path() +
                               "\n"
                               "  env.class.path = null\n"
                               "  java.class.path = ./sample\n"
                               "sample: main returns\n"
                               "sample: worker thread done after main returned\n",
                           ""));
}

}  // namespace
