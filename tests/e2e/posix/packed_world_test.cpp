// Packed programs and the packager where users and attackers take them: a
// damaged archive, archives in ZIP64 form, destinations that are links,
// FIFOs, running programs or read-only files, manifests with trailing
// blanks, and libraries planted where the program does not live. The real
// Linux launcher with the real Java VM, as separate processes.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/files.h"
#include "support/outcome.h"
#include "support/process.h"
#include "support/zip_builder.h"

namespace {

std::string jar_path(const std::string& name) { return std::string(VANDREL_JAR_DIR) + "/" + name; }

std::string creating(const std::string& destination, const std::string& source) {
    return "Creating executable '" + destination + "' from '" + source + "'...\n";
}

std::string args_output(const std::vector<std::string>& args, const std::string& home, const std::string& class_path) {
    std::string out = "argc " + std::to_string(args.size()) + "\n";
    for (size_t i = 0; i < args.size(); ++i) out += "arg[" + std::to_string(i) + "] " + args[i] + "\n";
    return out + "application.home " + home + "\njava.class.path " + class_path + "\nenv.class.path null\n";
}

class PackedWorld : public ::testing::Test {
  protected:
    void SetUp() override {
        launcher_ = read_file(VANDREL_LAUNCHER);
        jar_ = read_file(jar_path("args.jar"));
        ASSERT_FALSE(launcher_.empty());
        ASSERT_FALSE(jar_.empty());
        write_file(dir_ / "vandrel", launcher_, 0755);
        write_file(dir_ / "game.jar", jar_);
    }

    // ./<program> with the arguments, from the scratch directory.
    ProcessResult run_here(const std::string& program, const std::vector<std::string>& args) {
        ProcessOptions proc;
        proc.program = dir_ / program;
        proc.argv = {"./" + program};
        proc.argv.insert(proc.argv.end(), args.begin(), args.end());
        proc.cwd = dir_.path();
        return run_process(proc);
    }

    // A shell command line run in the scratch directory.
    ProcessResult shell(const std::string& command) {
        ProcessOptions proc;
        proc.program = "/bin/sh";
        proc.argv = {"sh", "-c", command};
        proc.cwd = dir_.path();
        return run_process(proc);
    }

    ScratchDir dir_;
    std::string launcher_, jar_;
};

// --- a packed program never acts as the packager ----------------------------------

TEST_F(PackedWorld, ADamagedPackedProgramSaysSoAndWritesNothing) {
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"70,000 bytes after the archive", launcher_ + jar_ + std::string(70000, '\0')},
        {"archive cut short", launcher_ + jar_.substr(0, jar_.size() / 2)},
        {"archive without its end record", launcher_ + jar_.substr(0, jar_.size() - 22)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(dir_ / "app", c.bytes, 0755);
        ProcessResult r = run_here("app", {"game.jar", "out"});
        EXPECT_TRUE(outcome_is(r, 1, "", "Can't launch: the application archive of './app' is damaged\n"));
        EXPECT_FALSE(file_exists(dir_ / "out"));
        EXPECT_TRUE(same_bytes(c.bytes, read_file(dir_ / "app")));
    }
}

// --- the destination ---------------------------------------------------------------

TEST_F(PackedWorld, ALinkToStandardOutputIsWrittenWhereItLeadsAndStays) {
    // As /dev/stdout does: a link to the link of file descriptor 1.
    ASSERT_EQ(symlink("/proc/self/fd/1", (dir_ / "stdout-link").c_str()), 0);
    ProcessResult r = shell("exec ./vandrel game.jar stdout-link > out.exe");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(same_bytes(launcher_ + jar_, read_file(dir_ / "out.exe")));
    struct stat st;
    ASSERT_EQ(lstat((dir_ / "stdout-link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(PackedWorld, AFifoIsOpenedOnce) {
    ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0644), 0);
    // A reader that takes one writer's bytes and ends: a second open would wait forever.
    ProcessResult r = shell("cat fifo > received & timeout 60 ./vandrel game.jar fifo; status=$?; wait; exit $status");
    EXPECT_TRUE(outcome_is(r, 0, creating("fifo", "game.jar") + "Success!\n", ""));
    EXPECT_TRUE(same_bytes(launcher_ + jar_, read_file(dir_ / "received")));
}

TEST_F(PackedWorld, AnExistingDestinationThatDoesNotOpenForWritingIsRefused) {
    // A running program: a copy of sleep, started from its file.
    copy_file("/bin/sleep", dir_ / "busy.exe", 0755);
    pid_t busy = fork();
    ASSERT_GE(busy, 0);
    if (busy == 0) {
        execl((dir_ / "busy.exe").c_str(), "busy.exe", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string before = read_file(dir_ / "busy.exe");
    // Wait until the program runs from its file.
    for (int i = 0; i < 200 && read_file("/proc/" + std::to_string(busy) + "/comm") != "busy.exe\n"; ++i) usleep(10000);
    ProcessResult r = run_here("vandrel", {"game.jar", "busy.exe"});
    kill(busy, SIGKILL);
    waitpid(busy, nullptr, 0);
    EXPECT_TRUE(outcome_is(r, 3, creating("busy.exe", "game.jar"), "Error opening 'busy.exe'\n"));
    EXPECT_TRUE(same_bytes(before, read_file(dir_ / "busy.exe")));

    // A read-only file, for a user whom permissions bind.
    write_file(dir_ / "locked.exe", "read-only program\n", 0444);
    ASSERT_EQ(chmod(dir_.path().c_str(), 0777), 0);
    std::string as_user = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    r = shell(as_user + "./vandrel game.jar locked.exe");
    EXPECT_TRUE(outcome_is(r, 3, creating("locked.exe", "game.jar"), "Error opening 'locked.exe'\n"));
    EXPECT_EQ(read_file(dir_ / "locked.exe"), "read-only program\n");
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"busy.exe", "game.jar", "locked.exe", "vandrel"}));
}

TEST_F(PackedWorld, DestinationNames) {
    // The empty name opens nothing; the longest name a directory holds is
    // written (its temporary file is no longer than it).
    ProcessResult r = run_here("vandrel", {"game.jar", ""});
    EXPECT_TRUE(outcome_is(r, 3, creating("", "game.jar"), "Error opening ''\n"));
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"game.jar", "vandrel"}));
    std::string longest(255, 'n');
    r = run_here("vandrel", {"game.jar", longest});
    EXPECT_TRUE(outcome_is(r, 0, creating(longest, "game.jar") + "Success!\n", ""));
    EXPECT_TRUE(same_bytes(launcher_ + jar_, read_file(dir_ / longest)));
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"game.jar", longest, "vandrel"}));
}

// --- the archive ---------------------------------------------------------------------

TEST_F(PackedWorld, MainClassWithTrailingBlanksLaunches) {
    write_file(dir_ / "blank.jar", read_file(jar_path("blank-main-class.jar")));
    ProcessResult r = run_here("vandrel", {"blank.jar", "app"});
    ASSERT_TRUE(outcome_is(r, 0, creating("app", "blank.jar") + "Success!\n", ""));
    r = run_here("app", {"x"});
    EXPECT_TRUE(outcome_is(r, 0, args_output({"x"}, dir_.path(), "./app"), ""));
}

uint64_t little_endian(const std::string& bytes, size_t at) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + size_t(i)]);
    return value;
}

TEST_F(PackedWorld, AZip64ArchiveGetsItsLocatorRebasedAndRuns) {
    // 70,000 entries: more than the plain end record can count.
    zip_builder::Bytes zip64;
    ASSERT_TRUE(zip_builder::zip64_form(zip_builder::Bytes(jar_.begin(), jar_.end()), 70000, &zip64));
    std::string big(zip64.begin(), zip64.end());
    write_file(dir_ / "big.jar", big);
    // No comment: the end record is the last 22 bytes, the locator before it.
    const size_t field = big.size() - 22 - 20 + 8;
    ASSERT_EQ(big.compare(big.size() - 42, 4, "PK\x06\x07"), 0) << "no ZIP64 locator";

    ProcessResult r = run_here("vandrel", {"big.jar", "big"});
    ASSERT_TRUE(outcome_is(r, 0, creating("big", "big.jar") + "Success!\n", ""));
    std::string packed = read_file(dir_ / "big");
    ASSERT_EQ(packed.size(), launcher_.size() + big.size());
    EXPECT_EQ(little_endian(packed, launcher_.size() + field), little_endian(big, field) + launcher_.size());
    // Every other byte as it was.
    std::string expected = launcher_ + big;
    expected.replace(launcher_.size() + field, 8, packed, launcher_.size() + field, 8);
    EXPECT_TRUE(same_bytes(expected, packed));

    r = run_here("big", {"x"});
    EXPECT_TRUE(outcome_is(r, 0, args_output({"x"}, dir_.path(), "./big"), ""));
}

// --- the runtime library ----------------------------------------------------------------

TEST_F(PackedWorld, ARelativeLibraryIsNeverLookedForInTheCurrentDirectory) {
    // The launcher names "planted/libjvm.so" relative to its own directory,
    // which is too long to be determined: the current directory's file of
    // that name is not tried (it would be reported as not loadable).
    std::string deep = dir_.path();
    while (deep.size() < 300) deep += "/" + std::string(60, 'd');
    ASSERT_EQ(system(("mkdir -p " + deep).c_str()), 0);
    copy_file(VANDREL_LAUNCHER_RELATIVE_LIBRARY, deep + "/app", 0755);
    make_dir(dir_ / "planted");
    write_file(dir_ / "planted/libjvm.so", "not a library, but it would be tried\n");
    ProcessOptions proc;
    proc.program = deep + "/app";
    proc.argv = {deep + "/app"};
    proc.cwd = dir_.path();
    ProcessResult r = run_process(proc);
    EXPECT_TRUE(outcome_is(r, 1, "", "Can't launch: Can't determine application home\n"));
}

}  // namespace
