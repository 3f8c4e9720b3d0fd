// The real Windows executables under Wine: runtime discovery through the
// registry of this build's prefix, VM creation through the Java runtime test
// doubles, the launcher's own command-line splitting as it shows in the
// class path and application home it hands the VM, and the trace. There is
// no Windows Java VM here, so no run gets past VM creation.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win_process.h"

namespace {

const char kRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment";
const char* const kRuntimeKeys[] = {kRuntimeKey, "Software\\JavaSoft\\JRE", "Software\\JavaSoft\\JDK"};

const std::string kNoRuntime =
    "This program requires the Java Runtime Environment. \r\nPlease download at https://jdk.java.net/\r\n";
const std::string kNotCreated = "Could not create the Java virtual machine.\r\n";

// A path of the build tree (a Unix path) as this program sees it.
std::string windows_path(const std::string& unix_path) {
    std::string path = "Z:" + unix_path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

const std::string kVandrel = windows_path(E2E_VANDREL);
const std::string kVandrelRange = windows_path(E2E_VANDREL_RANGE);
const std::string kVandrelBadMin = windows_path(E2E_VANDREL_BAD_MIN);
const std::string kDoubles = windows_path(E2E_DOUBLES_DIR);
const std::string kRecording = kDoubles + "\\recording\\jvm.dll";

std::string in_quotes(const std::string& text) { return "\"" + text + "\""; }

std::string read_file(const std::string& path) {
    std::string bytes;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(h);
    return bytes;
}

void remove_tree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

::testing::AssertionResult outcome_is(const WinProcessResult& r, unsigned long status, const std::string& out,
                                      const std::string& err) {
    if (!r.started) return ::testing::AssertionFailure() << "the program did not start";
    if (r.status == status && r.out == out && r.err == err) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    if (r.status != status) failure << "status " << r.status << ", expected " << status << "\n";
    if (r.out != out) failure << "stdout:\n[" << r.out << "]\nexpected:\n[" << out << "]\n";
    if (r.err != err) failure << "stderr:\n[" << r.err << "]\nexpected:\n[" << err << "]\n";
    return failure;
}

// What the recording double writes for the shipped configuration.
std::string shipped_record(const std::string& home, const std::string& class_path) {
    return "version 0x00010002\n"
           "ignoreUnrecognized 0\n"
           "nOptions 3\n"
           "option -Dapplication.home=" + home + "\n"
           "option -Xmx256m\n"
           "option -Djava.class.path=" + class_path + "\n";
}

class WineLaunch : public ::testing::Test {
  protected:
    void SetUp() override {
        // The environment the children inherit: nothing of the host's that
        // changes discovery or output.
        for (const char* name : {"JAVA_HOME", "CLASSPATH", "_JAVA_LAUNCHER_DEBUG", "JAVA_TOOL_OPTIONS",
                                 "_JAVA_OPTIONS", "VANDREL_JVM_RECORD"})
            SetEnvironmentVariableA(name, nullptr);
        clear_registry();

        std::string root = windows_path(E2E_WORK_ROOT);
        CreateDirectoryA(root.c_str(), nullptr);
        dir_ = root + "\\w-" + std::to_string(GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        remove_tree(dir_);
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
        record_ = dir_ + "\\record.txt";
    }

    void TearDown() override {
        clear_registry();
        for (const char* name : {"CLASSPATH", "_JAVA_LAUNCHER_DEBUG", "VANDREL_JVM_RECORD"})
            SetEnvironmentVariableA(name, nullptr);
        if (!HasFailure()) remove_tree(dir_);
    }

    static void clear_registry() {
        for (const char* key : kRuntimeKeys) RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
    }

    // Registers a runtime: CurrentVersion `version`; with `subkey` the version
    // subkey, holding RuntimeLib when `runtime_lib` is not empty.
    void register_runtime(const std::string& version, bool subkey, const std::string& runtime_lib) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRuntimeKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, "CurrentVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                                 DWORD(version.size() + 1)),
                  ERROR_SUCCESS);
        if (subkey) {
            HKEY sub = nullptr;
            ASSERT_EQ(RegCreateKeyExA(key, version.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
                      ERROR_SUCCESS);
            if (!runtime_lib.empty()) {
                ASSERT_EQ(RegSetValueExA(sub, "RuntimeLib", 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(runtime_lib.c_str()),
                                         DWORD(runtime_lib.size() + 1)),
                          ERROR_SUCCESS);
            }
            RegCloseKey(sub);
        }
        RegCloseKey(key);
    }

    void register_recording_runtime() {
        register_runtime("1.8", true, kRecording);
        SetEnvironmentVariableA("VANDREL_JVM_RECORD", record_.c_str());
    }

    // A copy of the launcher at dir_\<relative>.
    std::string place_launcher(const std::string& relative, const std::string& from = kVandrel) {
        std::string path = dir_ + "\\" + relative;
        std::string parent = path.substr(0, path.rfind('\\'));
        CreateDirectoryA(parent.c_str(), nullptr);
        EXPECT_TRUE(CopyFileA(from.c_str(), path.c_str(), FALSE)) << path;
        return path;
    }

    WinProcessResult run(const std::string& application, const std::string& command_line,
                         const std::string& directory = "") {
        return run_windows_process(application, command_line, directory, dir_);
    }

    std::string take_record() {
        std::string text = read_file(record_);
        DeleteFileA(record_.c_str());
        return text;
    }

    std::string dir_;
    std::string record_;
};

// --- runtime discovery -------------------------------------------------------------

TEST_F(WineLaunch, WithoutRuntimeKeyTheConfiguredMessageIsPrintedInBothModes) {
    EXPECT_TRUE(outcome_is(run("", in_quotes(kVandrel)), 1, "", kNoRuntime));
    EXPECT_TRUE(outcome_is(run("", in_quotes(kVandrel) + " game.jar game.exe"), 1, "", kNoRuntime));
}

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
        {"no RuntimeLib", "1.8", true, "", "Failed reading value of registry key: RuntimeLib"},
        {"not a library", "1.8", true, kDoubles + "\\not-a-library\\jvm.dll",
         "Error loading: " + kDoubles + "\\not-a-library\\jvm.dll\r\n"},
        {"library without both entry points", "1.8", true, kDoubles + "\\create-only\\jvm.dll",
         "Can't find JNI interfaces in: " + kDoubles + "\\create-only\\jvm.dll\r\n"},
        {"library that does not exist", "1.8", true, dir_ + "\\missing\\jvm.dll",
         "Error loading: " + dir_ + "\\missing\\jvm.dll\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clear_registry();
        register_runtime(c.version, c.subkey, c.runtime_lib);
        EXPECT_TRUE(outcome_is(run("", in_quotes(kVandrel) + " a"), 1, "", c.err));
    }
}

TEST_F(WineLaunch, ConfiguredVersionRangeRefusesOtherVersions) {
    const std::string refused = "This program is not compatible with Java version %s.\r\n"
                                "Please contact the author for more information.\r\n";
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
        clear_registry();
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
    EXPECT_EQ(take_record(), shipped_record(dir_ + "\\bin", exe));

    SetEnvironmentVariableA("CLASSPATH", "C:\\lib\\x.jar;.");
    EXPECT_TRUE(outcome_is(run("", in_quotes(exe)), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), "version 0x00010002\n"
                             "ignoreUnrecognized 0\n"
                             "nOptions 4\n"
                             "option -Denv.class.path=C:\\lib\\x.jar;.\n"
                             "option -Dapplication.home=" + dir_ + "\\bin\n"
                             "option -Xmx256m\n"
                             "option -Djava.class.path=" + exe + "\n");
}

// --- the program's own file, from the command line -----------------------------------

TEST_F(WineLaunch, ProgramNamedWithoutExtensionGetsExeAppended) {
    register_recording_runtime();
    std::string exe = place_launcher("dir with space\\vandrel.exe");
    std::string home = dir_ + "\\dir with space";
    EXPECT_TRUE(outcome_is(run("", in_quotes(home + "\\vandrel") + " x"), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(home, exe));
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
    EXPECT_EQ(take_record(), shipped_record(dir_ + "\\dir with space", "dir with space\\vandrel.exe"));
}

TEST_F(WineLaunch, DotInTheDirectoryNameMeansNothingIsAppended) {
    register_recording_runtime();
    std::string exe = place_launcher("tools.d\\vandrel.exe");
    std::string home = dir_ + "\\tools.d";
    std::string bare = home + "\\vandrel";
    // The name as typed holds a "." (in the directory), so it is used as it
    // is; here no file has that name, and the module file name is used.
    EXPECT_TRUE(outcome_is(run("", bare), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(home, exe));
    // With a file of exactly that name beside it, that file is the class path.
    ASSERT_TRUE(CopyFileA(exe.c_str(), bare.c_str(), FALSE));
    EXPECT_TRUE(outcome_is(run("", bare), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(home, bare));
}

TEST_F(WineLaunch, BareNameInItsOwnDirectoryIsARelativeClassPath) {
    register_recording_runtime();
    std::string exe = place_launcher("bin\\vandrel.exe");
    // (CreateProcessA searches the caller's directory, not the child's, so
    // the program is given by its full path and named bare on the line.)
    EXPECT_TRUE(outcome_is(run(exe, "vandrel a", dir_ + "\\bin"), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(dir_ + "\\bin", "vandrel.exe"));
}

TEST_F(WineLaunch, BareNameFromAnotherDirectoryUsesTheModuleFileName) {
    register_recording_runtime();
    std::string exe = place_launcher("bin\\vandrel.exe");
    CreateDirectoryA((dir_ + "\\elsewhere").c_str(), nullptr);
    // Started by its full path but named bare on the command line.
    EXPECT_TRUE(outcome_is(run(exe, "vandrel a", dir_ + "\\elsewhere"), 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(dir_ + "\\bin", exe));

    // Found through PATH.
    char old_path[32767];
    DWORD n = GetEnvironmentVariableA("PATH", old_path, sizeof old_path);
    std::string path = dir_ + "\\bin" + (n > 0 && n < sizeof old_path ? ";" + std::string(old_path) : "");
    SetEnvironmentVariableA("PATH", path.c_str());
    WinProcessResult r = run("", "vandrel a", dir_ + "\\elsewhere");
    SetEnvironmentVariableA("PATH", n > 0 && n < sizeof old_path ? old_path : nullptr);
    EXPECT_TRUE(outcome_is(r, 1, "", kNotCreated));
    EXPECT_EQ(take_record(), shipped_record(dir_ + "\\bin", exe));
}

// --- trace ---------------------------------------------------------------------------------

TEST_F(WineLaunch, TraceShowsTheBannerAndTheOptionDump) {
    register_recording_runtime();
    std::string exe = place_launcher("bin\\vandrel.exe");
    const std::string dump = "----_JAVA_LAUNCHER_DEBUG----\r\n"
                             "JavaVM args:\r\n"
                             "    version 0x00010002, ignoreUnrecognized is JNI_FALSE, nOptions is 3\r\n"
                             "    option[ 0] = '-Dapplication.home=" + dir_ + "\\bin'\r\n"
                             "    option[ 1] = '-Xmx256m'\r\n"
                             "    option[ 2] = '-Djava.class.path=" + exe + "'\r\n";
    // The name compares without regard to letter case; an empty value counts.
    for (const char* name : {"_JAVA_LAUNCHER_DEBUG", "_java_launcher_debug"}) {
        for (const char* value : {"1", ""}) {
            SCOPED_TRACE(std::string(name) + "=" + value);
            ASSERT_TRUE(SetEnvironmentVariableA(name, value));
            EXPECT_TRUE(outcome_is(run("", in_quotes(exe) + " a"), 1, dump, kNotCreated));
            SetEnvironmentVariableA(name, nullptr);
            take_record();
        }
    }
}

TEST_F(WineLaunch, TraceBannerComesBeforeDiscoveryMessages) {
    std::string exe = place_launcher("bin\\vandrel.exe");
    SetEnvironmentVariableA("_JAVA_LAUNCHER_DEBUG", "yes");
    EXPECT_TRUE(outcome_is(run("", in_quotes(exe)), 1, "----_JAVA_LAUNCHER_DEBUG----\r\n", kNoRuntime));
}

}  // namespace
