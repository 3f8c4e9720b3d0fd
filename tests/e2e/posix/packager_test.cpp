// The packager as its user meets it: the bare Linux launcher, with the real
// Java VM checking the source, run as a separate process on real files.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/files.h"
#include "support/outcome.h"
#include "support/process.h"

namespace {

const std::string kUsage = "Vandrel Console Version " VANDREL_VERSION_TEXT "\nUsage: vandrel source.jar [dest.exe]\n";
const std::string kNoManifest =
    "Main-Class attribute not found in manifest:\nWill attempt to find a main class at run-time.\n";

std::string jar_path(const std::string& name) { return std::string(VANDREL_JAR_DIR) + "/" + name; }

std::string creating(const std::string& destination, const std::string& source) {
    return "Creating executable '" + destination + "' from '" + source + "'...\n";
}

// Every test works in a scratch directory holding a copy of the launcher
// ("vandrel") and runs it from there as ./vandrel.
class Packager : public ::testing::Test {
  protected:
    void SetUp() override {
        launcher_bytes_ = read_file(VANDREL_LAUNCHER);
        ASSERT_FALSE(launcher_bytes_.empty());
        write_file(dir_ / "vandrel", launcher_bytes_, 0755);
    }

    ProcessResult pack(const std::vector<std::string>& args, long long file_size_limit = -1) {
        ProcessOptions proc;
        proc.program = dir_ / "vandrel";
        proc.argv = {"./vandrel"};
        proc.argv.insert(proc.argv.end(), args.begin(), args.end());
        proc.cwd = dir_.path();
        proc.file_size_limit = file_size_limit;
        return run_process(proc);
    }

    // Copies a test archive into the scratch directory under `name`.
    std::string add_jar(const std::string& jar, const std::string& name) {
        std::string bytes = read_file(jar_path(jar));
        EXPECT_FALSE(bytes.empty()) << jar;
        write_file(dir_ / name, bytes);
        return bytes;
    }

    ScratchDir dir_;
    std::string launcher_bytes_;
};

// --- usage and argument count ----------------------------------------------

TEST_F(Packager, WithoutArgumentsPrintsUsageAndWritesNothing) {
    ProcessResult r = pack({});
    EXPECT_TRUE(outcome_is(r, 1, kUsage, ""));
    EXPECT_EQ(list_dir(dir_.path()), std::vector<std::string>{"vandrel"});
}

TEST_F(Packager, AskedForHelpPrintsUsageAndWritesNothing) {
    for (const char* help : {"--help", "-h"}) {
        SCOPED_TRACE(help);
        EXPECT_TRUE(outcome_is(pack({help}), 0, kUsage, ""));
        EXPECT_EQ(list_dir(dir_.path()), std::vector<std::string>{"vandrel"});
    }
}

TEST_F(Packager, WithThreeOrMoreArgumentsPrintsUsageAndWritesNothing) {
    add_jar("args.jar", "game.jar");
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"game.jar", "out.exe", "extra"}, {"game.jar", "out.exe", "a", "b"}}) {
        SCOPED_TRACE(args.size());
        ProcessResult r = pack(args);
        EXPECT_TRUE(outcome_is(r, 1, kUsage, ""));
        EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"game.jar", "vandrel"}));
    }
}

TEST_F(Packager, UsageNamesTheProgramAsItWasInvoked) {
    write_file(dir_ / "packer", launcher_bytes_, 0755);
    ProcessResult r = run_program(dir_ / "packer", {});
    EXPECT_TRUE(outcome_is(
        r, 1, "Vandrel Console Version " VANDREL_VERSION_TEXT "\nUsage: packer source.jar [dest.exe]\n", ""));
}

// --- the source must open as a JAR -----------------------------------------

TEST_F(Packager, RefusesSourcesThatAreNoJar) {
    write_file(dir_ / "notes.txt", "just some text\n");
    add_jar("args.jar", "game.jar");
    struct Case {
        std::vector<std::string> args;
        std::string named;
    } cases[] = {
        {{"notes.txt"}, "notes.txt"},
        {{"missing.jar", "out.exe"}, "missing.jar"},
        // -J is not special to the packager: here it is the source.
        {{"-Jx", "game.jar"}, "-Jx"},
    };
    std::string game = read_file(dir_ / "game.jar");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named);
        ProcessResult r = pack(c.args);
        EXPECT_TRUE(outcome_is(r, 2, kUsage, "Not a valid jar file: " + c.named + "\n"));
        EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"game.jar", "notes.txt", "vandrel"}));
        EXPECT_TRUE(same_bytes(game, read_file(dir_ / "game.jar")));
    }
}

// --- the packed file ----------------------------------------------------------

TEST_F(Packager, WritesTheLauncherFollowedByTheJarByteForByte) {
    std::string jar = add_jar("args.jar", "game.jar");
    ProcessResult r = pack({"game.jar", "out"});
    ASSERT_TRUE(outcome_is(r, 0, creating("out", "game.jar") + "Success!\n", ""));
    EXPECT_TRUE(same_bytes(launcher_bytes_ + jar, read_file(dir_ / "out")));
    struct stat st;
    ASSERT_EQ(stat((dir_ / "out").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR) << "the packed program is not executable: mode " << std::oct << st.st_mode;
    // Nothing else is left behind (no temporary file).
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"game.jar", "out", "vandrel"}));
}

TEST_F(Packager, AcceptsAnArchiveWithoutManifestWithAWarning) {
    std::string jar = add_jar("noentry.jar", "lib.jar");
    ProcessResult r = pack({"lib.jar", "lib.exe"});
    EXPECT_TRUE(outcome_is(r, 0, kNoManifest + creating("lib.exe", "lib.jar") + "Success!\n", ""));
    EXPECT_TRUE(same_bytes(launcher_bytes_ + jar, read_file(dir_ / "lib.exe")));
}

TEST_F(Packager, ReplacesAnExistingDestination) {
    std::string jar = add_jar("args.jar", "game.jar");
    write_file(dir_ / "game.exe", std::string(200000, 'x'));  // longer than the result
    ProcessResult r = pack({"game.jar", "game.exe"});
    ASSERT_TRUE(outcome_is(r, 0, creating("game.exe", "game.jar") + "Success!\n", ""));
    EXPECT_TRUE(same_bytes(launcher_bytes_ + jar, read_file(dir_ / "game.exe")));
}

TEST_F(Packager, PackedFileCanBePackedAgainIntoAnotherName) {
    // A packed program is itself a valid source: its archive is found from
    // the end of the file.
    std::string jar = add_jar("args.jar", "game.jar");
    ASSERT_EQ(pack({"game.jar", "first.exe"}).status, 0);
    ProcessResult r = pack({"first.exe", "second.exe"});
    ASSERT_TRUE(outcome_is(r, 0, creating("second.exe", "first.exe") + "Success!\n", ""));
    EXPECT_TRUE(same_bytes(launcher_bytes_ + launcher_bytes_ + jar, read_file(dir_ / "second.exe")));
}

// --- destination names --------------------------------------------------------

TEST_F(Packager, DerivesTheDestinationBesideTheSource) {
    make_dir(dir_ / "apps");
    std::string jar = add_jar("args.jar", "apps/game.jar");
    ProcessResult r = pack({"apps/game.jar"});
    ASSERT_TRUE(outcome_is(r, 0, creating("apps/game.exe", "apps/game.jar") + "Success!\n", ""));
    EXPECT_TRUE(same_bytes(launcher_bytes_ + jar, read_file(dir_ / "apps/game.exe")));
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"apps", "vandrel"}));

    std::string absolute = dir_ / "apps/game.jar";
    std::string derived = dir_ / "apps/game.exe";
    r = pack({absolute});
    EXPECT_TRUE(outcome_is(r, 0, creating(derived, absolute) + "Success!\n", ""));
}

TEST_F(Packager, DerivedNameReplacesTheLastFourBytesWhateverTheyAre) {
    struct Case {
        const char* source;
        const char* destination;
    } cases[] = {{"archive", "arc.exe"}, {"game.zip", "game.exe"}, {"abcd", ".exe"}};
    std::string jar = add_jar("args.jar", "template.jar");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        write_file(dir_ / c.source, jar);
        ProcessResult r = pack({c.source});
        EXPECT_TRUE(outcome_is(r, 0, creating(c.destination, c.source) + "Success!\n", ""));
        EXPECT_TRUE(same_bytes(launcher_bytes_ + jar, read_file(dir_ / c.destination)));
    }
}

TEST_F(Packager, SourceNameOfThreeBytesGivesNoDestination) {
    add_jar("args.jar", "a.j");
    ProcessResult r = pack({"a.j"});
    EXPECT_TRUE(outcome_is(r, 3, creating("", "a.j"), "Error opening ''\n"));
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"a.j", "vandrel"}));
}

// --- the inputs are never destroyed -------------------------------------------

TEST_F(Packager, RefusesADestinationThatIsOneOfItsInputs) {
    std::string jar = add_jar("args.jar", "game.jar");
    make_dir(dir_ / "sub");
    ASSERT_EQ(link((dir_ / "game.jar").c_str(), (dir_ / "game-link.exe").c_str()), 0);
    ASSERT_EQ(symlink("game.jar", (dir_ / "game-symlink.exe").c_str()), 0);
    ASSERT_EQ(link((dir_ / "vandrel").c_str(), (dir_ / "vandrel-link").c_str()), 0);
    const std::vector<std::string> destinations = {
        "game.jar", "./sub/../game.jar", "game-link.exe", "game-symlink.exe",
        "vandrel",  "./vandrel",         "vandrel-link",  dir_ / "vandrel",
    };
    std::vector<std::string> before = list_dir(dir_.path());
    for (const std::string& destination : destinations) {
        SCOPED_TRACE(destination);
        ProcessResult r = pack({"game.jar", destination});
        EXPECT_TRUE(outcome_is(r, 3, creating(destination, "game.jar"), "Error opening '" + destination + "'\n"));
        EXPECT_TRUE(same_bytes(jar, read_file(dir_ / "game.jar")));
        EXPECT_TRUE(same_bytes(launcher_bytes_, read_file(dir_ / "vandrel")));
        EXPECT_EQ(list_dir(dir_.path()), before);
    }
}

TEST_F(Packager, RefusesAPackedSourceWhoseDerivedNameIsItself) {
    std::string jar = read_file(jar_path("args.jar"));
    std::string packed = launcher_bytes_ + jar;
    write_file(dir_ / "game.exe", packed, 0755);
    ProcessResult r = pack({"game.exe"});
    EXPECT_TRUE(outcome_is(r, 3, creating("game.exe", "game.exe"), "Error opening 'game.exe'\n"));
    EXPECT_TRUE(same_bytes(packed, read_file(dir_ / "game.exe")));
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"game.exe", "vandrel"}));
}

TEST_F(Packager, NeverWritesOverAFileNamedLikeItsWorkInProgress) {
    // The destination is written under another name beside it first; no file
    // that already exists may be that name, whether it is the source itself
    // or someone else's file. The file-size limit stops a runaway copy.
    std::string jar = add_jar("args.jar", "game.exe.vandrel-part");
    write_file(dir_ / "other.exe.vandrel-part", "somebody's file\n");
    long long limit = 4 * static_cast<long long>(launcher_bytes_.size() + jar.size());

    ProcessResult r = pack({"game.exe.vandrel-part", "game.exe"}, limit);
    EXPECT_TRUE(outcome_is(r, 0, creating("game.exe", "game.exe.vandrel-part") + "Success!\n", ""));
    EXPECT_TRUE(same_bytes(jar, read_file(dir_ / "game.exe.vandrel-part")));
    EXPECT_TRUE(same_bytes(launcher_bytes_ + jar, read_file(dir_ / "game.exe")));

    r = pack({"game.exe.vandrel-part", "other.exe"}, limit);
    EXPECT_TRUE(outcome_is(r, 0, creating("other.exe", "game.exe.vandrel-part") + "Success!\n", ""));
    EXPECT_EQ(read_file(dir_ / "other.exe.vandrel-part"), "somebody's file\n");
    EXPECT_TRUE(same_bytes(launcher_bytes_ + jar, read_file(dir_ / "other.exe")));
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"game.exe", "game.exe.vandrel-part", "other.exe",
                                                               "other.exe.vandrel-part", "vandrel"}));
}

// --- failures leave no half-written program behind ---------------------------

TEST_F(Packager, DestinationInAMissingDirectoryCannotBeOpened) {
    add_jar("args.jar", "game.jar");
    ProcessResult r = pack({"game.jar", "nowhere/game.exe"});
    EXPECT_TRUE(outcome_is(r, 3, creating("nowhere/game.exe", "game.jar"), "Error opening 'nowhere/game.exe'\n"));
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"game.jar", "vandrel"}));
}

TEST_F(Packager, DestinationInAReadOnlyDirectoryCannotBeOpened) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
    add_jar("args.jar", "game.jar");
    make_dir(dir_ / "locked");
    ASSERT_EQ(chmod((dir_ / "locked").c_str(), 0555), 0);
    ProcessResult r = pack({"game.jar", "locked/game.exe"});
    chmod((dir_ / "locked").c_str(), 0755);
    EXPECT_TRUE(outcome_is(r, 3, creating("locked/game.exe", "game.jar"), "Error opening 'locked/game.exe'\n"));
    EXPECT_TRUE(list_dir(dir_ / "locked").empty());
}

// Real write failures: the file-size limit makes the system refuse writes
// past a given length (EFBIG), in the first copy or in the second.
TEST_F(Packager, WriteFailuresKeepTheOldDestinationAndLeaveNothingBehind) {
    std::string jar = add_jar("args.jar", "game.jar");
    ASSERT_GT(jar.size(), 1000u);
    long long launcher_size = static_cast<long long>(launcher_bytes_.size());
    struct Case {
        const char* what;
        long long limit;
        int status;
    } cases[] = {
        {"launcher copy", launcher_size / 2, 5},
        {"archive copy", launcher_size + static_cast<long long>(jar.size()) / 2, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(dir_ / "game.exe", "the previous program\n", 0755);
        ProcessResult r = pack({"game.jar", "game.exe"}, c.limit);
        EXPECT_TRUE(outcome_is(r, c.status, creating("game.exe", "game.jar"), "Error writing 'game.exe'\n"));
        EXPECT_EQ(read_file(dir_ / "game.exe"), "the previous program\n");
        EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"game.exe", "game.jar", "vandrel"}));
    }
    // Without the limit the same call succeeds.
    ProcessResult r = pack({"game.jar", "game.exe"});
    EXPECT_TRUE(outcome_is(r, 0, creating("game.exe", "game.jar") + "Success!\n", ""));
    EXPECT_TRUE(same_bytes(launcher_bytes_ + jar, read_file(dir_ / "game.exe")));
}

}  // namespace
