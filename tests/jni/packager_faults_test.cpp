// The packager's failure paths that the system cannot be made to produce on
// demand from outside: run_packager called in this process, with the real
// Java VM of its own, while single entries of the platform table are replaced to fail a
// close, refuse an open, turn reads into read errors or refuse the final
// rename. Every failure must keep an existing destination as it was, leave no
// other file behind and close every stream it opened.
#include <jni.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "jni_support.h"
#include "support/capture.h"
#include "support/files.h"
#include "support/outcome.h"
#include "launch.h"
#include "image/packager.h"
#include "platform/platform.h"
#include "support/platform_fakes.h"

namespace {

[[maybe_unused]] const ::testing::Environment* const shared_vm =
    ::testing::AddGlobalTestEnvironment(new jni_support::SharedVm({"-Xmx64m"}));

// --- the faulty platform entries ----------------------------------------------

// A stream is picked by the path it was opened with (null: any path) and
// its mode.
struct StreamPick {
    const char* path = nullptr;
    const char* mode = nullptr;
    bool matches(const char* p, const char* m) const {
        return mode != nullptr && strcmp(mode, m) == 0 && (path == nullptr || strcmp(path, p) == 0);
    }
};

struct Faults {
    StreamPick fail_open;        // the open returns null
    StreamPick fail_close;       // the close reports failure (the stream is still closed)
    StreamPick read_error;       // reading the stream fails
    bool fail_replace = false;   // the final rename fails
    bool source_changes = false; // the source's modification time moves during the copy
    bool fail_remove = false;    // deleting a file fails
};

struct OpenStream {
    FILE* file;
    std::string path;
    std::string mode;
};

Faults g_faults;
PlatformApi g_real;
std::vector<OpenStream> g_open;
int g_opened_count = 0;
std::string g_directory_for_read_errors;

FILE* faulty_open(const char* path, const char* mode) {
    if (g_faults.fail_open.matches(path, mode)) {
        errno = EACCES;
        return nullptr;
    }
    // A directory opens for reading, but every read of it fails (EISDIR).
    const char* real_path = g_faults.read_error.matches(path, mode) ? g_directory_for_read_errors.c_str() : path;
    FILE* file = g_real.file_open(real_path, mode);
    if (file != nullptr) {
        g_open.push_back({file, path, mode});
        ++g_opened_count;
    }
    return file;
}

int faulty_close(FILE* file) {
    bool fail = false;
    for (size_t i = 0; i < g_open.size(); ++i) {
        if (g_open[i].file != file) continue;
        fail = g_faults.fail_close.matches(g_open[i].path.c_str(), g_open[i].mode.c_str());
        g_open.erase(g_open.begin() + long(i));
        break;
    }
    int result = g_real.file_close(file);
    return fail ? EOF : result;
}

// The destination's temporary file: the stream of mode "wb".
FILE* faulty_create_new(const char* path) {
    if (g_faults.fail_open.matches(path, "wb")) {
        errno = EACCES;
        return nullptr;
    }
    FILE* file = g_real.file_create_new(path);
    if (file != nullptr) {
        g_open.push_back({file, path, "wb"});
        ++g_opened_count;
    }
    return file;
}

bool faulty_file_status(FILE* file, FileStatus* status) {
    static int calls = 0;
    if (!g_real.file_status(file, status)) return false;
    if (g_faults.source_changes && ++calls % 2 == 0) status->modified += 1;
    return true;
}

bool faulty_remove(const char* path) {
    if (g_faults.fail_remove) return false;
    return g_real.remove_file(path);
}

bool faulty_replace(const char* from, const char* to) {
    if (g_faults.fail_replace) return false;
    return g_real.replace_file(from, to);
}

std::string creating(const std::string& destination, const std::string& source) {
    return "Creating executable '" + destination + "' from '" + source + "'...\n";
}

class PackagerFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(jni_support::SharedVm::env(), nullptr) << "no Java VM";
        launcher_ = dir_ / "vandrel";
        source_ = dir_ / "game.jar";
        destination_ = dir_ / "game.exe";
        launcher_bytes_ = read_file(VANDREL_LAUNCHER);
        jar_bytes_ = read_file(std::string(VANDREL_JAR_DIR) + "/args.jar");
        ASSERT_FALSE(launcher_bytes_.empty());
        ASSERT_FALSE(jar_bytes_.empty());
        write_file(launcher_, launcher_bytes_, 0755);
        write_file(source_, jar_bytes_);
        make_dir(dir_ / "a-directory");
        g_directory_for_read_errors = dir_ / "a-directory";

        g_real = platform;
        g_faults = Faults();
        g_open.clear();
        g_opened_count = 0;
        platform.file_open = faulty_open;
        platform.file_close = faulty_close;
        platform.file_create_new = faulty_create_new;
        platform.replace_file = faulty_replace;
        platform.file_status = faulty_file_status;
        platform.remove_file = faulty_remove;
    }
    ScriptedPlatform machine_;  // the real table, restored after each test

    // Packs source_ into destination_ with the launcher file `launcher`
    // (launcher_ when empty).
    int pack(std::string* out, std::string* err, std::string launcher = "") {
        if (launcher.empty()) launcher = launcher_;
        std::vector<std::string> args = {launcher, source_, destination_};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        StreamCapture captured_out(1);
        StreamCapture captured_err(2);
        int status = run_packager(jni_support::SharedVm::env(), launcher.c_str(), "vandrel", 3, argv.data());
        *err = captured_err.finish();
        *out = captured_out.finish();
        return status;
    }

    // Everything as it was before the call, and every stream closed.
    ::testing::AssertionResult untouched(const std::string& previous_destination) {
        auto failure = ::testing::AssertionFailure();
        bool ok = true;
        if (!g_open.empty()) {
            ok = false;
            failure << g_open.size() << " stream(s) left open, the first on " << g_open[0].path << "\n";
        }
        std::vector<std::string> expected = {"a-directory", "game.jar", "vandrel"};
        if (!previous_destination.empty()) expected = {"a-directory", "game.exe", "game.jar", "vandrel"};
        if (list_dir(dir_.path()) != expected) {
            ok = false;
            failure << "directory holds:";
            for (const auto& name : list_dir(dir_.path())) failure << " " << name;
            failure << "\n";
        }
        if (!previous_destination.empty() && read_file(destination_) != previous_destination) {
            ok = false;
            failure << "the existing destination was changed\n";
        }
        if (read_file(source_) != jar_bytes_ || read_file(launcher_) != launcher_bytes_) {
            ok = false;
            failure << "an input was changed\n";
        }
        return ok ? ::testing::AssertionSuccess() : failure;
    }

    ScratchDir dir_;
    std::string launcher_, source_, destination_;
    std::string launcher_bytes_, jar_bytes_;
};

TEST_F(PackagerFaults, WithoutFaultsThePackedFileIsWrittenAndEveryStreamClosed) {
    std::string out, err;
    EXPECT_EQ(pack(&out, &err), 0);
    EXPECT_EQ(out, creating(destination_, source_) + "Success!\n");
    EXPECT_EQ(err, "");
    EXPECT_TRUE(same_bytes(launcher_bytes_ + jar_bytes_, read_file(destination_)));
    EXPECT_TRUE(g_open.empty());
    EXPECT_EQ(g_opened_count, 3) << "two inputs and the destination once";
    EXPECT_EQ(list_dir(dir_.path()), (std::vector<std::string>{"a-directory", "game.exe", "game.jar", "vandrel"}));
}

TEST_F(PackagerFaults, EveryFailureKeepsTheExistingDestinationAndReportsItsStatus) {
    struct Case {
        const char* what;
        Faults faults;
        int status;
        std::string message;
    };
    auto close_fails = [](const char* path, const char* mode) {
        Faults f;
        f.fail_close.path = path;
        f.fail_close.mode = mode;
        return f;
    };
    auto open_fails = [](const char* path, const char* mode) {
        Faults f;
        f.fail_open.path = path;
        f.fail_open.mode = mode;
        return f;
    };
    auto read_fails = [](const char* path) {
        Faults f;
        f.read_error.path = path;
        f.read_error.mode = "rb";
        return f;
    };
    Faults rename_fails;
    rename_fails.fail_replace = true;
    Faults source_changes;
    source_changes.source_changes = true;
    const char* launcher = launcher_.c_str();
    const char* source = source_.c_str();
    const std::string& d = destination_;
    const Case cases[] = {
        {"destination cannot be created", open_fails(nullptr, "wb"), kPackagerCannotOpen, "Error opening '" + d + "'\n"},
        {"launcher cannot be opened", open_fails(launcher, "rb"), kPackagerCannotOpen,
         "Error opening '" + launcher_ + "'\n"},
        {"closing the launcher fails", close_fails(launcher, "rb"), kPackagerCannotReadLauncher,
         "Error closing '" + launcher_ + "'\n"},
        {"reading the launcher fails", read_fails(launcher), kPackagerCannotReadLauncher,
         "Error closing '" + launcher_ + "'\n"},
        {"source cannot be opened again", open_fails(source, "rb"), kPackagerCannotOpenSource,
         "Error opening '" + source_ + "'\n"},
        {"closing the source fails", close_fails(source, "rb"), kPackagerCannotReadSource,
         "Error reading '" + source_ + "'\n"},
        {"reading the source fails", read_fails(source), kPackagerCannotReadSource, "Error reading '" + source_ + "'\n"},
        {"closing the destination fails", close_fails(nullptr, "wb"), kPackagerNotWritten, "Error writing '" + d + "'\n"},
        {"the final rename fails", rename_fails, kPackagerNotWritten, "Error writing '" + d + "'\n"},
        {"the source changes while it is copied", source_changes, kPackagerCannotReadSource,
         "Error reading '" + source_ + "'\n"},
    };
    for (const std::string& previous : {std::string("the previous program\n"), std::string()}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (previous.empty() ? ", no destination before" : ", destination existed"));
            if (!previous.empty())
                write_file(destination_, previous, 0755);
            else
                remove(destination_.c_str());
            g_faults = c.faults;
            g_open.clear();
            std::string out, err;
            EXPECT_EQ(pack(&out, &err), c.status);
            EXPECT_EQ(out, creating(destination_, source_));
            EXPECT_EQ(err, c.message);
            EXPECT_TRUE(untouched(previous));
        }
    }
}

TEST_F(PackagerFaults, ATemporaryFileThatCannotBeRemovedIsReported) {
    g_faults.fail_replace = true;
    g_faults.fail_remove = true;
    std::string out, err;
    EXPECT_EQ(pack(&out, &err), kPackagerNotWritten);
    g_faults = Faults();
    // The one file left beside the destination is the one named.
    std::vector<std::string> left = list_dir(dir_.path());
    ASSERT_EQ(left.size(), 4u);
    ASSERT_EQ(left[3].size(), std::string("game.exe").size());
    ASSERT_EQ(left[3][0], '~');
    EXPECT_EQ(err, "Error writing '" + destination_ + "'\nError removing '" + (dir_ / left[3]) + "'\n");
    remove((dir_ / left[3]).c_str());
    EXPECT_TRUE(untouched(""));
}

TEST_F(PackagerFaults, LauncherFileThatDoesNotExistIsNamedAndNothingIsCreated) {
    std::string missing = dir_ / "no-launcher";
    std::string out, err;
    EXPECT_EQ(pack(&out, &err, missing), 3);
    EXPECT_EQ(out, creating(destination_, source_));
    EXPECT_EQ(err, "Error opening '" + missing + "'\n");
    EXPECT_TRUE(untouched(""));
}

}  // namespace
