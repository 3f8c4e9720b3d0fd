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

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include "bridge_process.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] = "Vandrel Console Version 2.1c\r\nUsage: vandrel.exe source.jar [dest.exe]\r\n";
const char kNoManifestWarning[] =
    "Main-Class attribute not found in manifest:\r\nWill attempt to find a main class at run-time.\r\n";

std::string windows_path(const fs::path& path) {
    fs::path p = path;
    return p.make_preferred().string();
}

std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// What a Java application printed with println, one element per line.
std::string java_lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\n";
    return text;
}

bool set_registry_text(HKEY root, const char* key_name, const char* value_name, const char* text) {
    HKEY key;
    if (RegCreateKeyExA(root, key_name, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(strlen(text) + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

const char kRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment";

bool key_exists(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Whether the runtime key was there before the first suite registered the
// bridge: if not, it is removed again when the program ends, so that tests
// sharing the prefix find the registry as they left it.
bool runtime_key_existed = true;

class RegistryRestorer : public ::testing::Environment {
public:
    void SetUp() override { runtime_key_existed = key_exists(kRuntimeKey); }
    void TearDown() override {
        if (!runtime_key_existed) RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRuntimeKey);
    }
};
::testing::Environment* const registry_restorer = ::testing::AddGlobalTestEnvironment(new RegistryRestorer);

class BridgeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The bridge is the registered Java runtime of this prefix.
        ASSERT_TRUE(set_registry_text(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\Java Runtime Environment",
                                      "CurrentVersion", "17"));
        ASSERT_TRUE(set_registry_text(HKEY_LOCAL_MACHINE, "Software\\JavaSoft\\Java Runtime Environment\\17",
                                      "RuntimeLib", BRIDGE_JVM_DLL));
        SetEnvironmentVariableA("CLASSPATH", nullptr);
        SetEnvironmentVariableA("_JAVA_LAUNCHER_DEBUG", nullptr);
    }

    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        dir_ = fs::path(BRIDGE_WORK_ROOT) / name;
        io_ = fs::path(BRIDGE_WORK_ROOT) / (name + ".io");
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
        fs::remove_all(io_, ignored);
        ASSERT_TRUE(fs::create_directories(dir_));
        ASSERT_TRUE(fs::create_directories(io_));
    }

    void TearDown() override {
        SetEnvironmentVariableA("CLASSPATH", nullptr);
        SetEnvironmentVariableA("_JAVA_LAUNCHER_DEBUG", nullptr);
    }

    // Copies a file of the build into the work directory under a new name.
    void put(const char* source, const char* name) {
        ASSERT_TRUE(fs::copy_file(source, dir_ / name, fs::copy_options::overwrite_existing)) << source;
    }

    std::string jar(const char* name) { return std::string(BRIDGE_JAR_DIR) + "/" + name; }

    // A packed executable: the launcher followed by the archive, as the
    // packager writes it (the packager itself is tested below).
    void pack(const char* launcher, const char* jar_name, const char* exe_name) {
        write_bytes(dir_ / exe_name, read_bytes(launcher) + read_bytes(jar(jar_name)));
    }

    ProcessResult run(const std::string& command_line) {
        ProcessResult result = run_process(command_line, windows_path(dir_), windows_path(io_));
        EXPECT_TRUE(result.started) << result.failure;
        return result;
    }

    fs::path dir_;
    fs::path io_;
};

::testing::AssertionResult has_run(const ProcessResult& r, unsigned long status, const std::string& out,
                                   const std::string& err) {
    if (r.status == status && r.out == out && r.err == err) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "status " << r.status << " (expected " << status << ")\n"
                                         << "stdout: [" << r.out << "]\nexpected [" << out << "]\n"
                                         << "stderr: [" << r.err << "]\nexpected [" << err << "]";
}

::testing::AssertionResult contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "[" << text << "] does not contain [" << part << "]";
}

// ---- The packager: the bare launcher ----

using BridgePackager = BridgeTest;

TEST_F(BridgePackager, WrongArgumentCountsShowUsageAndWriteNothing) {
    put(BRIDGE_VANDREL, "vandrel.exe");
    put(jar("args.jar").c_str(), "args.jar");
    EXPECT_TRUE(has_run(run("vandrel.exe"), 1, kUsage, ""));
    // The program name in the banner is what follows the last backslash.
    EXPECT_TRUE(has_run(run(".\\vandrel.exe args.jar one two"), 1, kUsage, ""));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
}

TEST_F(BridgePackager, SourceThatIsNotAJarIsRefusedWithStatusTwo) {
    put(BRIDGE_VANDREL, "vandrel.exe");
    write_bytes(dir_ / "notes.txt", "just some text\n");
    EXPECT_TRUE(has_run(run("vandrel.exe notes.txt"), 2, kUsage, "Not a valid jar file: notes.txt\r\n"));
    EXPECT_FALSE(fs::exists(dir_ / "notes.exe"));
    EXPECT_TRUE(has_run(run("vandrel.exe absent.jar out.exe"), 2, kUsage, "Not a valid jar file: absent.jar\r\n"));
    EXPECT_FALSE(fs::exists(dir_ / "out.exe"));
    // -J means nothing to the packager: it is taken as the source.
    EXPECT_TRUE(has_run(run("vandrel.exe -Jx notes.txt"), 2, kUsage, "Not a valid jar file: -Jx\r\n"));
}

TEST_F(BridgePackager, PackedFileIsLauncherThenJarAndRuns) {
    put(BRIDGE_VANDREL, "vandrel.exe");
    put(jar("args.jar").c_str(), "args.jar");
    write_bytes(dir_ / "args.exe", "an older file that is overwritten");
    EXPECT_TRUE(has_run(run("vandrel.exe args.jar"), 0,
                        "Creating executable 'args.exe' from 'args.jar'...\r\nSuccess!\r\n", ""));
    std::string expected = read_bytes(BRIDGE_VANDREL) + read_bytes(jar("args.jar"));
    EXPECT_TRUE(read_bytes(dir_ / "args.exe") == expected) << "packed file differs from launcher + jar";

    EXPECT_TRUE(has_run(run("args.exe one"), 0, java_lines({"argc=1", "[one]"}), ""));
}

TEST_F(BridgePackager, AbsoluteSourceAndExplicitDestination) {
    put(BRIDGE_VANDREL, "vandrel.exe");
    put(jar("args.jar").c_str(), "app.jar");
    std::string source = windows_path(dir_ / "app.jar");
    EXPECT_TRUE(has_run(run("vandrel.exe " + source + " packed"), 0,
                        "Creating executable 'packed' from '" + source + "'...\r\nSuccess!\r\n", ""));
    EXPECT_TRUE(read_bytes(dir_ / "packed") == read_bytes(BRIDGE_VANDREL) + read_bytes(jar("args.jar")));
    EXPECT_FALSE(fs::exists(dir_ / "app.exe"));
}

TEST_F(BridgePackager, DestinationsThatAreNoFiles) {
    put(BRIDGE_VANDREL, "vandrel.exe");
    put(jar("args.jar").c_str(), "args.jar");
    // The null device is written as it is: nothing is swapped in for it.
    EXPECT_TRUE(has_run(run("vandrel.exe args.jar NUL"), 0,
                        "Creating executable 'NUL' from 'args.jar'...\r\nSuccess!\r\n", ""));
    // A directory cannot be opened as the destination.
    fs::create_directory(dir_ / "dir.exe");
    EXPECT_TRUE(has_run(run("vandrel.exe args.jar dir.exe"), 3,
                        "Creating executable 'dir.exe' from 'args.jar'...\r\n", "Error opening 'dir.exe'\r\n"));
    EXPECT_TRUE(fs::is_empty(dir_ / "dir.exe"));
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find("vandrel-part")) << entry.path();
}

TEST_F(BridgePackager, JarWithoutManifestIsPackedWithWarning) {
    put(BRIDGE_VANDREL, "vandrel.exe");
    put(jar("plain.jar").c_str(), "plain.jar");
    EXPECT_TRUE(has_run(run("vandrel.exe plain.jar"), 0,
                        std::string(kNoManifestWarning) +
                            "Creating executable 'plain.exe' from 'plain.jar'...\r\nSuccess!\r\n",
                        ""));
    EXPECT_EQ(fs::file_size(dir_ / "plain.exe"), fs::file_size(BRIDGE_VANDREL) + fs::file_size(jar("plain.jar")));
    // Nothing in it has a main method: the packed program cannot launch.
    EXPECT_TRUE(has_run(run("plain.exe"), 1, "", "Can't launch: no main class found\r\n"));
}

// ---- Launching a packed executable ----

using BridgeLaunch = BridgeTest;

TEST_F(BridgeLaunch, DashJArgumentsComeFirst) {
    pack(BRIDGE_VANDREL, "args.jar", "app.exe");
    EXPECT_TRUE(has_run(run("app.exe A -JB C"), 0, java_lines({"argc=3", "[B]", "[A]", "[C]"}), ""));
    EXPECT_TRUE(has_run(run("app.exe"), 0, java_lines({"argc=0"}), ""));
    // Started without its extension: the class path gets one.
    EXPECT_TRUE(has_run(run("app -J-x"), 0, java_lines({"argc=1", "[-x]"}), ""));
}

TEST_F(BridgeLaunch, ConfiguredArgumentsFrameTheUsers) {
    pack(BRIDGE_VANDREL_PQ, "args.jar", "app.exe");
    EXPECT_TRUE(has_run(run("app.exe A -JB C"), 0, java_lines({"argc=5", "[P]", "[B]", "[A]", "[C]", "[Q]"}), ""));
}

TEST_F(BridgeLaunch, CommandLineSplitting) {
    pack(BRIDGE_VANDREL, "args.jar", "app.exe");
    // Quotes join and are dropped wherever they stand in an argument.
    EXPECT_TRUE(has_run(run("app.exe c\"d e\"f"), 0, java_lines({"argc=1", "[cd ef]"}), ""));
    // A backslash is an ordinary character, also before a quote.
    EXPECT_TRUE(has_run(run("app.exe a\\\"b c\""), 0, java_lines({"argc=1", "[a\\b c]"}), ""));
    // Runs of blanks and tabs separate; an unclosed quote runs to the end.
    EXPECT_TRUE(has_run(run("app.exe \t x \t\t y \"z  w"), 0, java_lines({"argc=3", "[x]", "[y]", "[z  w]"}), ""));
    EXPECT_TRUE(has_run(run("app.exe \"\" -J\"a b\""), 0, java_lines({"argc=2", "[a b]", "[]"}), ""));
}

TEST_F(BridgeLaunch, RelativePathsAndAnsiTextMeanWhatTheyMeanOnWindows) {
    // The host VM's native encoding is the ANSI code page, 1252: "\xe9" is "é".
    ASSERT_TRUE(CreateDirectoryA(windows_path(dir_ / "sub").c_str(), nullptr));
    pack(BRIDGE_VANDREL, "args.jar", "sub/app.exe");
    EXPECT_TRUE(has_run(run("sub\\app.exe caf\xe9"), 0, java_lines({"argc=1", "[caf\xe9]"}), ""));
    std::string named = windows_path(dir_) + "\\r\xe9p";
    ASSERT_TRUE(CreateDirectoryA(named.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(windows_path(dir_ / "sub" / "app.exe").c_str(), (named + "\\app.exe").c_str(), FALSE));
    EXPECT_TRUE(has_run(run("r\xe9p\\app.exe x"), 0, java_lines({"argc=1", "[x]"}), ""));
    EXPECT_TRUE(has_run(run("\"" + named + "\\app.exe\" y"), 0, java_lines({"argc=1", "[y]"}), ""));
}

TEST_F(BridgeLaunch, ExceptionFromMainIsDescribedWithStatusOne) {
    pack(BRIDGE_VANDREL, "throws.jar", "app.exe");
    ProcessResult r = run("app.exe x y");
    EXPECT_EQ(1u, r.status);
    EXPECT_EQ(java_lines({"about to fail"}), r.out);
    EXPECT_EQ(0u, r.err.find("Exception in thread \"main\" java.lang.IllegalStateException: bridge failure 2\n"
                             "\tat bridgeapp.Throws.main(Throws.java:"))
        << r.err;
}

TEST_F(BridgeLaunch, ThreadOutlivingMainFinishesBeforeExit) {
    pack(BRIDGE_VANDREL, "lingers.jar", "app.exe");
    EXPECT_TRUE(has_run(run("app.exe"), 0, java_lines({"main returning", "worker finished after main"}), ""));
}

TEST_F(BridgeLaunch, MainClassProblems) {
    // The manifest names a class that is not there.
    pack(BRIDGE_VANDREL, "missing.jar", "missing.exe");
    ProcessResult r = run("missing.exe");
    EXPECT_EQ(1u, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_TRUE(contains(r.err, "java.lang.NoClassDefFoundError: bridgeapp/Missing"));

    // main(String[]) exists only as an instance method.
    pack(BRIDGE_VANDREL, "nostatic.jar", "nostatic.exe");
    r = run("nostatic.exe");
    EXPECT_EQ(1u, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_TRUE(contains(r.err, "java.lang.NoSuchMethodError"));

    // No manifest and no class with a main method.
    pack(BRIDGE_VANDREL, "plain.jar", "plain.exe");
    EXPECT_TRUE(has_run(run("plain.exe a"), 1, "", "Can't launch: no main class found\r\n"));
}

TEST_F(BridgeLaunch, ArchiveScanFindsTheTopLevelMainClass) {
    // scanapp.Found has main; scanapp.Helper has none; scanapp.Found$Inner
    // has one but is nested.
    pack(BRIDGE_VANDREL, "scan.jar", "scan.exe");
    EXPECT_TRUE(has_run(run("scan.exe one"), 0, java_lines({"scanapp.Found ran with 1 arguments"}), ""));
}

TEST_F(BridgeLaunch, TraceListsOptionsAndArguments) {
    pack(BRIDGE_VANDREL, "args.jar", "app.exe");
    SetEnvironmentVariableA("_JAVA_LAUNCHER_DEBUG", "");
    SetEnvironmentVariableA("CLASSPATH", "C:\\libs\\extra.jar;rel\\other.jar");
    ProcessResult r = run("app x -Jy");
    std::string home = windows_path(dir_);
    std::string expected =
        "----_JAVA_LAUNCHER_DEBUG----\r\n"
        "JavaVM args:\r\n"
        "    version 0x00010002, ignoreUnrecognized is JNI_FALSE, nOptions is 4\r\n"
        "    option[ 0] = '-Denv.class.path=C:\\libs\\extra.jar;rel\\other.jar'\r\n"
        "    option[ 1] = '-Dapplication.home=" +
        home +
        "'\r\n"
        "    option[ 2] = '-Xmx256m'\r\n"
        "    option[ 3] = '-Djava.class.path=app.exe'\r\n"
        "Main-Class is 'bridgeapp.Args'\r\n"
        "Apps' argc is 2\r\n"
        "    app_argv[ 0] = 'y'\r\n"
        "    app_argv[ 1] = 'x'\r\n" +
        java_lines({"argc=2", "[y]", "[x]"});
    EXPECT_TRUE(has_run(r, 0, expected, ""));
}

TEST_F(BridgeLaunch, TraceOfThePackager) {
    put(BRIDGE_VANDREL, "vandrel.exe");
    put(jar("plain.jar").c_str(), "plain.jar");
    SetEnvironmentVariableA("_java_launcher_debug", "1");
    std::string home = windows_path(dir_);
    EXPECT_TRUE(has_run(run("vandrel.exe plain.jar p.exe"), 0,
                        "----_JAVA_LAUNCHER_DEBUG----\r\n"
                        "JavaVM args:\r\n"
                        "    version 0x00010002, ignoreUnrecognized is JNI_FALSE, nOptions is 3\r\n"
                        "    option[ 0] = '-Dapplication.home=" +
                            home +
                            "'\r\n"
                            "    option[ 1] = '-Xmx256m'\r\n"
                            "    option[ 2] = '-Djava.class.path=vandrel.exe'\r\n" +
                            kNoManifestWarning + "Creating executable 'p.exe' from 'plain.jar'...\r\nSuccess!\r\n",
                        ""));
}

}  // namespace
