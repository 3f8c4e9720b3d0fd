// The launcher and the packager given bad input: each case checks the exact
// status and messages, and that no input file changed.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/files.h"
#include "support/outcome.h"
#include "support/process.h"

namespace {

const std::string kUsage = "Vandrel Console Version " VANDREL_VERSION_TEXT "\nUsage: vandrel source.jar [dest.exe]\n";
const std::string kNoMainAttribute =
    "Main-Class attribute not found in manifest:\nWill attempt to find a main class at run-time.\n";

std::string jar(const std::string& dir, const std::string& name) { return dir + "/" + name; }

// A file's bytes, remembered so that the test can show it was not changed.
struct Snapshot {
    std::string path;
    std::string bytes;
    explicit Snapshot(const std::string& p) : path(p), bytes(read_file(p)) {}
    ::testing::AssertionResult unchanged() const { return same_bytes(bytes, read_file(path)); }
};

class BadInput : public ::testing::Test {
  protected:
    std::string launcher() { return dir_ / "vandrel"; }

    void SetUp() override { copy_file(VANDREL_LAUNCHER, launcher()); }

    // Packs with the launcher copy in the scratch directory.
    ProcessResult pack(const std::vector<std::string>& args) {
        ProcessOptions proc;
        proc.program = launcher();
        proc.argv = {"./vandrel"};
        proc.argv.insert(proc.argv.end(), args.begin(), args.end());
        proc.cwd = dir_.path();
        return run_process(proc);
    }

    // Packs `source` (a path) to `dest` and expects the source to be refused.
    void expect_refused(const std::string& source, const std::string& dest) {
        SCOPED_TRACE(source);
        Snapshot launcher_before(launcher());
        bool source_is_file = file_exists(source);
        Snapshot source_before(source);
        ProcessResult r = pack({source, dest});
        EXPECT_TRUE(outcome_is(r, 2, kUsage, "Not a valid jar file: " + source + "\n"));
        EXPECT_FALSE(file_exists(dir_ / dest));
        EXPECT_TRUE(launcher_before.unchanged());
        if (source_is_file) {
            EXPECT_TRUE(source_before.unchanged());
        }
        for (const std::string& name : list_dir(dir_.path())) EXPECT_EQ(std::string::npos, name.find("out.exe")) << name;
    }

    ProcessResult run_packed(const std::string& path, const std::vector<std::string>& args,
                             const std::vector<std::pair<std::string, std::string>>& env = {}) {
        ProcessOptions proc;
        proc.program = path;
        proc.argv = {path};
        proc.argv.insert(proc.argv.end(), args.begin(), args.end());
        proc.env = env;
        proc.env.push_back({"LC_ALL", "C.UTF-8"});
        return run_process(proc);
    }

    ScratchDir dir_;
};

// --- archives the Java runtime does not open ---------------------------------

TEST_F(BadInput, SourcesThatAreNotArchivesAreRefusedAndNothingIsWritten) {
    std::string valid = read_file(jar(VANDREL_JAR_DIR, "args.jar"));
    ASSERT_GT(valid.size(), 100u);

    write_file(dir_ / "zero.jar", "");
    write_file(dir_ / "text.jar", "Manifest-Version: 1.0\nMain-Class: probe.Args\n");
    write_file(dir_ / "truncated.jar", valid.substr(0, valid.size() / 2));
    make_dir(dir_ / "directory.jar");

    // The central directory's entries lose their signature.
    std::string damaged = valid;
    for (size_t at = 0; (at = damaged.find(std::string("PK\x01\x02", 4), at)) != std::string::npos; at += 4)
        damaged[at + 2] = '\x07';
    write_file(dir_ / "damaged.jar", damaged);

    // The end record points the central directory past the file's end.
    std::string misplaced = valid;
    size_t end_record = misplaced.rfind(std::string("PK\x05\x06", 4));
    ASSERT_NE(std::string::npos, end_record);
    misplaced.replace(end_record + 16, 4, "\xff\xff\xff\x7f", 4);
    write_file(dir_ / "misplaced.jar", misplaced);

    for (const char* name : {"zero.jar", "text.jar", "truncated.jar", "damaged.jar", "misplaced.jar"}) {
        expect_refused(dir_ / name, "out.exe");
        ::unlink((dir_ / name).c_str());
    }
    expect_refused(dir_ / "directory.jar", "out.exe");
}

// The last entry's comment ends in bytes that look like a ZIP64 locator where
// a real one would stand: they are copied as they are, and the program runs.
TEST_F(BadInput, ACommentThatLooksLikeAZip64LocatorIsNotRebased) {
    std::string jar_bytes = read_file(jar(VANDREL_JAR_DIR, "args.jar"));
    size_t end = jar_bytes.rfind(std::string("PK\x05\x06", 4));
    ASSERT_NE(std::string::npos, end);
    size_t entry = jar_bytes.rfind(std::string("PK\x01\x02", 4), end);  // the last entry, without a comment
    ASSERT_EQ(0, jar_bytes[entry + 32]);
    jar_bytes[entry + 32] = 20;
    jar_bytes[end + 12] = char(jar_bytes[end + 12] + 20);
    ASSERT_GE(static_cast<unsigned char>(jar_bytes[end + 12]), 20);  // no carry into the next byte
    jar_bytes.insert(end, std::string("PK\x06\x07\0\0\0\0\x10\0\0\0\0\0\0\0\x01\0\0\0", 20));
    write_file(dir_ / "comment.jar", jar_bytes);

    ProcessResult r = pack({"comment.jar", "comment"});
    EXPECT_TRUE(outcome_is(r, 0, "Creating executable 'comment' from 'comment.jar'...\nSuccess!\n", ""));
    EXPECT_TRUE(same_bytes(read_file(launcher()) + jar_bytes, read_file(dir_ / "comment")));
    r = run_packed(dir_ / "comment", {"x"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_TRUE(contains(r.out, "argc 1\narg[0] x\n"));
}

TEST_F(BadInput, AnEmptyArchiveIsPackedAndThenHasNoMainClass) {
    // The end-of-central-directory record alone: a valid archive without entries.
    std::string empty("PK\x05\x06", 4);
    empty.append(18, '\0');
    write_file(dir_ / "empty.jar", empty);
    Snapshot source(dir_ / "empty.jar");

    ProcessResult r = pack({"empty.jar", "empty"});
    EXPECT_TRUE(outcome_is(r, 0, kNoMainAttribute + "Creating executable 'empty' from 'empty.jar'...\nSuccess!\n", ""));
    EXPECT_TRUE(source.unchanged());
    EXPECT_TRUE(same_bytes(read_file(launcher()) + empty, read_file(dir_ / "empty")));

    r = run_packed(dir_ / "empty", {});
    EXPECT_TRUE(outcome_is(r, 1, "", "Can't launch: no main class found\n"));
}

// --- manifests that name odd main classes ------------------------------------

TEST_F(BadInput, HugeMainClassIsPackedAndFailsCleanlyAtLaunch) {
    std::string source = jar(BAD_JAR_DIR, "hugemain.jar");
    Snapshot before(source);
    ProcessResult r = pack({source, "huge"});
    EXPECT_TRUE(outcome_is(r, 0, "Creating executable 'huge' from '" + source + "'...\nSuccess!\n", ""));
    EXPECT_TRUE(before.unchanged());

    r = run_packed(dir_ / "huge", {"a"}, {{"_JAVA_LAUNCHER_DEBUG", ""}});
    EXPECT_EQ(1, r.status);
    EXPECT_FALSE(r.signaled);
    EXPECT_NE(std::string::npos, r.err.find("NoClassDefFoundError")) << r.err.substr(0, 400);
    // The lookup of the class fails, before the arguments are assembled and traced.
    std::string name = "huge/" + std::string(70, 'x') + std::string(1000 * 70, 'x');
    EXPECT_EQ(0u, r.err.find("Exception in thread \"main\" java.lang.NoClassDefFoundError: "
                             "Class name exceeds maximum length of 65535: " + name.substr(0, 60)))
        << r.err.substr(0, 400);
    EXPECT_EQ(std::string::npos, r.out.find("Main-Class is"));
}

TEST_F(BadInput, NonAsciiMainClassRuns) {
    std::string source = jar(BAD_JAR_DIR, "nonascii.jar");
    ProcessResult r = pack({source, "uni"});
    ASSERT_EQ(0, r.status) << r.err;

    r = run_packed(dir_ / "uni", {"x", "y"}, {{"_JAVA_LAUNCHER_DEBUG", ""}});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("Main-Class is 'uni.Größe'\n")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("Größe ran with 2 arguments\n")) << r.out;
}

// --- configuration values beyond what a value holds --------------------------

TEST_F(BadInput, OversizedConfigurationValuesAreCutAt1999Bytes) {
    std::string packed = dir_ / "long";
    write_file(packed, read_file(BAD_LONG_VALUES) + read_file(jar(VANDREL_JAR_DIR, "args.jar")), 0755);

    ProcessResult r = run_packed(packed, {"user"}, {{"_JAVA_LAUNCHER_DEBUG", ""}});
    ASSERT_EQ(0, r.status) << r.err;
    // Value 5: 1999 bytes, its "#" beyond the cut never seen, passed whole.
    EXPECT_NE(std::string::npos, r.out.find("    option[ 1] = '-Dlong=" + std::string(1992, 'a') + "'\n"));
    // Value 6: 222 whole lines (9 bytes each, CR cut off), then the one byte
    // left of the 223rd; value 7, a lone "#", adds nothing.
    std::string expected = "argc 224\n";
    for (int i = 0; i < 222; ++i) {
        char line[48];  // room for any int, which -O1 cannot rule out
        snprintf(line, sizeof line, "arg[%d] lead%03d\n", i, i);
        expected += line;
    }
    expected += "arg[222] l\narg[223] user\n";
    EXPECT_NE(std::string::npos, r.out.find(expected)) << r.out.substr(r.out.size() > 3000 ? r.out.size() - 3000 : 0);
}

// --- paths --------------------------------------------------------------------

TEST_F(BadInput, LongAndNonAsciiPaths) {
    // A directory path of more than 260 bytes, one component not ASCII.
    std::string deep = dir_.path();
    for (int i = 0; deep.size() <= 300; ++i) {
        deep += "/" + std::string(40, static_cast<char>('a' + i)) + (i == 1 ? "-Größe" : "");
        make_dir(deep);
    }
    std::string source = deep + "/app.jar";
    copy_file(jar(VANDREL_JAR_DIR, "args.jar"), source, 0644);
    Snapshot before(source);

    // The packager has no limit of its own on path lengths.
    ProcessResult r = pack({source, deep + "/app"});
    EXPECT_TRUE(outcome_is(r, 0, "Creating executable '" + deep + "/app' from '" + source + "'...\nSuccess!\n", ""));
    EXPECT_TRUE(before.unchanged());

    // The application home is the executable's directory, read into 260
    // bytes: a longer one cannot be determined.
    r = run_packed(deep + "/app", {"a"});
    EXPECT_TRUE(outcome_is(r, 1, "", "Can't launch: Can't determine application home\n"));

    // Within 260 bytes a non-ASCII directory is the application home as it is.
    std::string near = dir_ / "Größe";
    make_dir(near);
    copy_file(deep + "/app", near + "/app", 0755);
    r = run_packed(near + "/app", {"ä"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("arg[0] ä\napplication.home " + near + "\n")) << r.out;
}

// --- many arguments -------------------------------------------------------------

TEST_F(BadInput, TenThousandArgumentsAllReachMainInOrder) {
    std::string packed = dir_ / "args";
    write_file(packed, read_file(launcher()) + read_file(jar(VANDREL_JAR_DIR, "args.jar")), 0755);
    std::vector<std::string> args;
    std::string expected = "argc 10000\n";
    for (int i = 0; i < 10000; ++i) {
        args.push_back((i % 7 == 0 ? "-J" : "") + std::to_string(i));
    }
    // -J arguments first, without their prefix, then the others.
    int index = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < 10000; ++i)
            if ((i % 7 == 0) == (pass == 0)) expected += "arg[" + std::to_string(index++) + "] " + std::to_string(i) + "\n";
    ProcessResult r = run_packed(packed, args);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ(0u, r.out.find(expected));
}

// --- destinations that cannot be written -------------------------------------

TEST_F(BadInput, FullDeviceAsDestinationReportsTheFailedWrite) {
    // A device is written as it is, never swapped for a file: on a full
    // disk the first copy's writes fail.
    std::string source = jar(VANDREL_JAR_DIR, "args.jar");
    Snapshot before(source);
    Snapshot launcher_before(launcher());
    struct stat st;
    ASSERT_EQ(0, stat("/dev/full", &st));
    ASSERT_TRUE(S_ISCHR(st.st_mode));

    ProcessResult r = pack({source, "/dev/full"});
    EXPECT_TRUE(outcome_is(r, 5, "Creating executable '/dev/full' from '" + source + "'...\n",
                           "Error writing '/dev/full'\n"));
    ASSERT_EQ(0, stat("/dev/full", &st));
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "/dev/full was replaced";
    EXPECT_FALSE(file_exists("/dev/full.vandrel-part"));
    EXPECT_TRUE(before.unchanged());
    EXPECT_TRUE(launcher_before.unchanged());
}

TEST_F(BadInput, DirectoryAsDestinationCannotBeOpened) {
    std::string source = jar(VANDREL_JAR_DIR, "args.jar");
    make_dir(dir_ / "out.exe");
    ProcessResult r = pack({source, "out.exe"});
    EXPECT_TRUE(outcome_is(r, 3, "Creating executable 'out.exe' from '" + source + "'...\n",
                           "Error opening 'out.exe'\n"));
    EXPECT_EQ((std::vector<std::string>{"out.exe", "vandrel"}), list_dir(dir_.path()));
    EXPECT_TRUE(list_dir(dir_ / "out.exe").empty());
}

TEST_F(BadInput, DestinationInAFileSystemThatTakesNoFiles) {
    // /proc takes no new files, whoever asks: a read-only directory for root too.
    std::string source = jar(VANDREL_JAR_DIR, "args.jar");
    Snapshot before(source);
    ProcessResult r = pack({source, "/proc/self/app.exe"});
    EXPECT_TRUE(outcome_is(r, 3, "Creating executable '/proc/self/app.exe' from '" + source + "'...\n",
                           "Error opening '/proc/self/app.exe'\n"));
    EXPECT_TRUE(before.unchanged());
}

}  // namespace
