// Packed programs against java -jar of the same runtime: the launch
// attributes of the manifest, the main methods of Java 25 and
// sun.java.command. The packed file is itself a JAR, so java -jar runs the
// very same file, by the same name, and both name it alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/files.h"
#include "support/outcome.h"
#include "support/process.h"

namespace {

const char kTemurin25[] = VANDREL_TEMURIN25_HOME;

struct Row {
    const char* jar;
    std::vector<std::string> args;
    int status;
    std::string out;  // standard output of both runs
    std::string err;  // the start of standard error of both runs
};

class JarMode : public ::testing::Test {
  protected:
    // Packs `jar` as ./app and returns how to run it with `args` on the
    // runtime in `java_home`.
    ProcessOptions packed(const char* jar, const std::vector<std::string>& args, const std::string& java_home) {
        write_file(dir_ / "app", read_file(VANDREL_LAUNCHER) + read_file(std::string(VANDREL_JAR_DIR) + "/" + jar),
                   0755);
        ProcessOptions options;
        options.program = dir_ / "app";
        options.argv = {"./app"};
        options.argv.insert(options.argv.end(), args.begin(), args.end());
        options.cwd = dir_.path();
        options.env = {{"JAVA_HOME", java_home}};
        return options;
    }

    // Runs `row` packed and under java -jar of the runtime in `java_home`
    // and checks that both give the row's outcome, and the same one.
    void check(const std::string& java_home, const Row& row) {
        SCOPED_TRACE(row.jar);
        ProcessOptions program = packed(row.jar, row.args, java_home);
        ProcessOptions java_jar = program;
        java_jar.program = java_home + "/bin/java";
        java_jar.argv.insert(java_jar.argv.begin(), {"java", "-jar"});
        ProcessResult a = run_process(program);
        ProcessResult b = run_process(java_jar);
        EXPECT_TRUE(outcome_is(a, b.status, b.out, b.err)) << "differs from java -jar";
        expect_row(a, row);
    }

    // `r` has the row's status and output, and standard error that begins
    // with the row's.
    static void expect_row(const ProcessResult& r, const Row& row) {
        EXPECT_EQ(r.status, row.status) << row.jar;
        EXPECT_EQ(r.out, row.out) << row.jar;
        EXPECT_EQ(r.err.substr(0, row.err.size()), row.err) << row.jar;
    }

    // Rows that every runtime from Java 17 on runs alike.
    std::vector<Row> common_rows() const {
        return {
            {"opens.jar", {"a", "-Jb c"}, 0, "opened\ncommand ./app a -Jb c\n", ""},
            {"exports.jar", {}, 0, "booted true\ncommand ./app\n", ""},
            {"agent.jar", {"x"}, 0, "agentmain with \nmain with 1 argument(s)\n", ""},
            {"native-enabled.jar", {VANDREL_JNI_LIBRARY}, 0, "loaded\n", ""},
        };
    }

    ScratchDir dir_;
};

TEST_F(JarMode, Java17AppliesTheManifestsAttributes) {
    for (const Row& row : common_rows()) check(VANDREL_JDK_HOME, row);
    // Java 17 knows nothing of native access, so any value passes. Its
    // java -jar refuses a main that is not public.
    check(VANDREL_JDK_HOME, {"native-invalid.jar", {VANDREL_JNI_LIBRARY}, 0, "loaded\n", ""});
    check(VANDREL_JDK_HOME,
          {"package-main.jar", {}, 1, "", "Error: Main method not found in class jarmode.PackageMain"});
}

TEST_F(JarMode, Java25AppliesTheAttributesAndPicksItsMainMethods) {
    if (!file_exists(std::string(kTemurin25) + "/bin/java")) GTEST_SKIP() << "needs Temurin 25 in " << kTemurin25;
    const std::string library = VANDREL_JNI_LIBRARY;
    for (const Row& row : common_rows()) check(kTemurin25, row);
    const Row rows[] = {
        {"instance-noargs.jar", {"a"}, 0, "instance main() of jarmode.InstanceNoArgs\n", ""},
        {"static-noargs.jar", {}, 0, "static main()\n", ""},
        {"instance-args.jar", {"a", "b"}, 0, "constructed\ninstance main(String[]) with a,b\n", ""},
        {"native.jar", {library}, 0, "loaded\n", "WARNING: A restricted method in java.lang.System has been called\n"},
        {"native-invalid.jar", {library}, 1, "", "Error: illegal value \"jarmode\" for Enable-Native-Access"},
        {"private-constructor.jar", {}, 1, "", "Error: no non-private zero argument constructor found in class"},
        {"package-main.jar", {}, 0, "package-private static main\n", ""},
    };
    for (const Row& row : rows) check(kTemurin25, row);

    // An archive without Main-Class, whose class the launcher finds, runs
    // without its attributes: the runtime's helper, which would end the
    // process on it, is not asked (java -jar cannot run it). A class or main
    // method that is missing gets the launcher's own messages.
    EXPECT_TRUE(
        outcome_is(run_process(packed("exports-scan.jar", {}, kTemurin25)), 0, "booted refused\ncommand ./app\n", ""));
    const Row refused[] = {
        {"missing.jar", {}, 1, "", "Exception in thread \"main\" java.lang.NoClassDefFoundError: probe/Missing\n"},
        {"mainless.jar", {}, 1, "", "Exception in thread \"main\" java.lang.NoSuchMethodError: "},
    };
    for (const Row& row : refused) expect_row(run_process(packed(row.jar, row.args, kTemurin25)), row);
}

}  // namespace
