// The destination writer on real files: the old file stays until the new one
// is complete, temporary files are created exclusively beside it and never
// outlive a failure, an interruption or an early exit.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "base/atomic_file.h"
#include "base/diagnostics.h"
#include "platform/platform.h"
#include "support/files.h"

namespace fs = std::filesystem;

namespace {

bool write_and_commit(AtomicFile* file, const std::string& bytes) {
    fwrite(bytes.data(), 1, bytes.size(), file->stream);
    return atomic_file_commit(file);
}

TEST(TemporaryName, SameDirectoryAndLengthAsTheTarget) {
    const std::string sep(1, kPathSeparator);
    const std::string long_name(250, 'n');
    for (const std::string& target : std::vector<std::string>{"game.exe", "d" + sep + "game.exe", "d" + sep + "a", "a", sep + long_name}) {
        SCOPED_TRACE(target);
        size_t base = target.rfind(kPathSeparator) == std::string::npos ? 0 : target.rfind(kPathSeparator) + 1;
        std::set<std::string> seen;
        for (unsigned long long number = 0; number < 100; ++number) {
            char name[300];
            ASSERT_TRUE(temporary_name_for(target.c_str(), number, name, sizeof name));
            std::string n = name;
            ASSERT_EQ(n.size(), target.size());
            EXPECT_EQ(n.substr(0, base), target.substr(0, base));
            if (target.size() - base > 1) {
                EXPECT_EQ(n[base], '~');
            }
            seen.insert(n);
        }
        EXPECT_GT(seen.size(), target.size() - base > 1 ? 90u : 20u) << "names repeat";
    }
    char name[16];
    EXPECT_FALSE(temporary_name_for(("dir" + sep).c_str(), 1, name, sizeof name));
    EXPECT_FALSE(temporary_name_for("", 1, name, sizeof name));
    EXPECT_FALSE(temporary_name_for("a-name-longer-than-room", 1, name, sizeof name));
}

TEST(AtomicFile, TheOldFileStaysUntilTheNewOneIsComplete) {
    ScratchDir dir("atomic_commit");
    std::string target = dir / "game.exe";
    write_file(target, "old");
    AtomicFile out;
    ASSERT_TRUE(atomic_file_open(&out, target.c_str()));
    fputs("new bytes", out.stream);
    fflush(out.stream);
    EXPECT_EQ(read_file(target), "old");
    EXPECT_EQ(list_dir(dir.path()).size(), 2u);
    ASSERT_TRUE(atomic_file_commit(&out));
    EXPECT_EQ(read_file(target), "new bytes");
    EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"game.exe"});

    ASSERT_TRUE(atomic_file_open(&out, target.c_str()));
    fputs("abandoned", out.stream);
    EXPECT_TRUE(atomic_file_abandon(&out));
    EXPECT_EQ(read_file(target), "new bytes");
    EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"game.exe"});
}

TEST(AtomicFile, TwoWritersOfOneDestinationNeverShareATemporaryFile) {
    ScratchDir dir("atomic_two");
    std::string target = dir / "out";
    AtomicFile first, second;
    ASSERT_TRUE(atomic_file_open(&first, target.c_str()));
    ASSERT_TRUE(atomic_file_open(&second, target.c_str()));
    EXPECT_STRNE(first.temporary, second.temporary);
    std::string a(100000, 'a'), b(70000, 'b');
    ASSERT_TRUE(write_and_commit(&first, a));
    EXPECT_EQ(read_file(target), a);
    ASSERT_TRUE(write_and_commit(&second, b));
    EXPECT_EQ(read_file(target), b);
    EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"out"});
}

TEST(AtomicFile, RefusesWhatCannotBeWrittenAndCreatesNothing) {
    ScratchDir dir("atomic_refused");
    char self[4096];
    unsigned long length = platform.module_file_name(self, sizeof self);
    ASSERT_TRUE(length > 0 && length < sizeof self);
    const std::string cases[] = {
        "",                                                // no name
        (dir / "missing") + kPathSeparator + "x.exe",      // no such directory
        self,                                              // a running program
    };
    for (const std::string& destination : cases) {
        SCOPED_TRACE(destination);
        AtomicFile out;
        EXPECT_FALSE(atomic_file_open(&out, destination.c_str()));
        EXPECT_EQ(out.stream, nullptr);
    }
    EXPECT_TRUE(list_dir(dir.path()).empty());
}

TEST(AtomicFile, AnExitOnExhaustedMemoryRemovesTheTemporaryFile) {
    // One name for this process and the child that a death test may start
    // afresh (it runs this test again up to the statement).
    const std::string dir = program_directory() + kPathSeparator + "scratch_atomic_exit";
    fs::remove_all(dir);
    fs::create_directory(dir);
    std::string target = dir + kPathSeparator + "app";
    write_file(target, "old");
    auto write_then_run_out_of_memory = [&] {
        AtomicFile out;
        if (!atomic_file_open(&out, target.c_str())) exit(90);
        fputs("half", out.stream);
        fflush(out.stream);
        allocate_or_exit(-1);
    };
    EXPECT_EXIT(write_then_run_out_of_memory(), ::testing::ExitedWithCode(1), "malloc");
    EXPECT_EQ(list_dir(dir), std::vector<std::string>{"app"});
    EXPECT_EQ(read_file(target), "old");
    fs::remove_all(dir);
}

#ifdef _WIN32

TEST(AtomicFile, ALockedOrReadOnlyFileIsRefused) {
    ScratchDir dir("atomic_locked");
    std::string locked = dir / "locked.exe", read_only = dir / "read-only.exe";
    write_file(locked, "old");
    write_file(read_only, "old");
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY));
    for (const std::string& target : {locked, read_only}) {
        SCOPED_TRACE(target);
        AtomicFile out;
        EXPECT_FALSE(atomic_file_open(&out, target.c_str()));
    }
    CloseHandle(lock);
    SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"locked.exe", "read-only.exe"}));
}

#else

TEST(AtomicFile, APlantedLinkIsNeverFollowed) {
    ScratchDir dir("atomic_planted");
    std::string link = dir / "planted";
    ASSERT_EQ(symlink((dir / "victim").c_str(), link.c_str()), 0);
    EXPECT_EQ(platform.file_create_new(link.c_str()), nullptr);
    EXPECT_FALSE(fs::exists(dir / "victim"));
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST(AtomicFile, ALinkedDestinationIsWrittenWhereTheLinkLeads) {
    ScratchDir dir("atomic_link");
    fs::create_directory(dir / "real");
    write_file(dir / "real/app", "old");
    ASSERT_EQ(symlink("real/app", (dir / "app").c_str()), 0);
    ASSERT_EQ(symlink("real/new", (dir / "dangling").c_str()), 0);
    for (const char* name : {"app", "dangling"}) {
        SCOPED_TRACE(name);
        AtomicFile out;
        ASSERT_TRUE(atomic_file_open(&out, (dir / name).c_str()));
        ASSERT_TRUE(write_and_commit(&out, name));
        EXPECT_TRUE(fs::is_symlink(dir / name));
        EXPECT_EQ(read_file(dir / name), name);
    }
    EXPECT_EQ(list_dir(dir / "real"), (std::vector<std::string>{"app", "new"}));
}

TEST(AtomicFile, AReplacedFileKeepsItsPermissionBits) {
    ScratchDir dir("atomic_mode");
    std::string target = dir / "app";
    write_file(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    AtomicFile out;
    ASSERT_TRUE(atomic_file_open(&out, target.c_str()));
    ASSERT_TRUE(write_and_commit(&out, "new"));
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // A new file is a program: executable as far as the umask allows.
    std::string fresh = dir / "fresh";
    ASSERT_TRUE(atomic_file_open(&out, fresh.c_str()));
    ASSERT_TRUE(write_and_commit(&out, "new"));
    ASSERT_EQ(stat(fresh.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
}

TEST(AtomicFile, InterruptionsAndEarlyExitsRemoveTheTemporaryFile) {
    struct Case {
        const char* what;
        int signal_number;  // 0: the process exits from allocate_or_exit
    } cases[] = {{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir("atomic_interrupted");
        std::string target = dir / "app";
        write_file(target, "old");
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            AtomicFile out;
            if (!atomic_file_open(&out, target.c_str())) _exit(90);
            fputs("half", out.stream);
            fflush(out.stream);
            raise(c.signal_number);
            _exit(91);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
        EXPECT_EQ(WTERMSIG(status), c.signal_number);
        EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"app"});
        EXPECT_EQ(read_file(target), "old");
    }
}

#endif

}  // namespace
