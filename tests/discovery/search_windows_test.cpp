// The runtime search on the real registry of the Wine prefix, through the
// real launcher: the layouts that vendors' installers write, per-user keys,
// java on PATH, a legacy 1.8 beside a newer runtime, and a machine whose only
// runtime has the other machine type. The runtimes are copies of the
// recording test double, which refuses to create a VM; the launcher's trace
// tells which one was taken. Then the loader's search for a runtime's
// imports: its bin folder, never the current directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "runtime/runtime.h"
#include "support/files.h"
#include "support/process.h"
#include "support/registry.h"

namespace {

const bool k64 = sizeof(void*) == 8;
const REGSAM kOwnView = k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
const REGSAM kOtherView = k64 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
const std::string kOwnBits = k64 ? "64-bit" : "32-bit";
const std::string kOtherBits = k64 ? "32-bit" : "64-bit";

// The keys the tests write, in both roots and both views, deleted before and
// after each test (Software\JavaSoft of the machine's own view is set aside
// for the whole program by the registry support).
const char* const kTrees[][2] = {
    {"Software", "JavaSoft"},
    {"Software", "Eclipse Adoptium"},
    {"Software\\Microsoft", "JDK"},
    {"Software", "Azul Systems"},
};

void delete_test_keys() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
            for (const auto& tree : kTrees) {
                HKEY parent;
                if (RegOpenKeyExA(root, tree[0], 0, KEY_ALL_ACCESS | view, &parent) != ERROR_SUCCESS) continue;
                RegDeleteTreeA(parent, tree[1]);
                RegCloseKey(parent);
            }
}

void set_key(HKEY root, REGSAM view, const std::string& key, const char* name, const std::string& value) {
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &h, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                            static_cast<DWORD>(value.size() + 1)));
    RegCloseKey(h);
}

// A Java home `name` in `dir` whose library at `place` is a copy of
// `library`, with a release file when `release` is given.
std::string make_home(const ScratchDir& dir, const std::string& name, const char* place, const std::string& library,
                      const char* release) {
    std::string home = dir / name;
    std::string lib = home + "\\" + place;
    make_dir(lib.substr(0, lib.rfind('\\')));
    EXPECT_TRUE(CopyFileA(windows_path(library).c_str(), lib.c_str(), FALSE)) << lib;
    if (release) write_file(home + "\\release", std::string("JAVA_VERSION=\"") + release + "\"\n");
    return home;
}

// Runs `program` with the trace on, without JAVA_HOME and with this PATH.
ProcessResult run(const std::string& program, const std::string& path) {
    ProcessOptions options;
    options.command_line = "\"" + windows_path(program) + "\"";
    options.env = {{"_JAVA_LAUNCHER_DEBUG", "1"}, {"PATH", path}};
    options.unset_env = {"JAVA_HOME"};
    return run_process(options);
}

struct Layout {
    const char* name;
    HKEY root;
    bool other_view;
    const char* key;  // empty: the runtime is on PATH only
    const char* value;
    const char* release;
    bool other_machine;
    bool legacy_beside;  // a legacy 1.8 is registered as well
    const char* version;
};

const Layout kLayouts[] = {
    {"default Temurin MSI install", HKEY_LOCAL_MACHINE, false,
     "Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "17.0.9", false, false, "17"},
    {"Microsoft's layout", HKEY_LOCAL_MACHINE, false, "Software\\Microsoft\\JDK\\21.0.1.12\\hotspot\\MSI", "Path",
     "21.0.1", false, false, "21"},
    {"Zulu", HKEY_LOCAL_MACHINE, false, "Software\\Azul Systems\\Zulu\\zulu-17", "InstallationPath", nullptr, false,
     false, "17"},
    {"per-user install", HKEY_CURRENT_USER, false, "Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "Path",
     "21.0.1", false, false, "21"},
    {"installer's EXE package in the other view", HKEY_LOCAL_MACHINE, true,
     "Software\\Eclipse Adoptium\\JRE\\11.0.21.9\\hotspot\\EXE", "Path", "11.0.21", false, false, "11"},
    {"java on PATH only", HKEY_LOCAL_MACHINE, false, "", "", "17.0.9", false, false, "17"},
    {"legacy 1.8 beside a vendor 17, value 3 = 11", HKEY_LOCAL_MACHINE, false,
     "Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "17.0.9", false, true, "17"},
    {"only a runtime of the other machine type", HKEY_LOCAL_MACHINE, true,
     "Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "17.0.9", true, false, "17"},
};

class SearchOnTheRegistry : public ::testing::Test {
  protected:
    void SetUp() override { delete_test_keys(); }
    void TearDown() override { delete_test_keys(); }
    const std::string path_ = getenv("PATH") ? getenv("PATH") : "";
    ScratchDir dir_{"search"};
};

TEST_F(SearchOnTheRegistry, FindsTheRuntimeOfEachLayout) {
    int n = 0;
    for (const Layout& l : kLayouts) {
        SCOPED_TRACE(l.name);
        delete_test_keys();
        std::string home = make_home(dir_, "jdk-" + std::to_string(++n), "bin\\server\\jvm.dll",
                                     l.other_machine ? VANDREL_OTHER_MACHINE_JVM : VANDREL_RECORDING_JVM, l.release);
        std::string library = home + "\\bin\\server\\jvm.dll";
        std::string path = path_;
        if (l.key[0] != '\0') {
            set_key(l.root, l.other_view ? kOtherView : kOwnView, l.key, l.value, home);
        } else {
            write_file(home + "\\bin\\java.exe", "");
            path += ";" + home + "\\bin";
        }
        if (l.legacy_beside) {
            std::string legacy = make_home(dir_, "jre1.8-" + std::to_string(n), "bin\\client\\jvm.dll",
                                           VANDREL_RECORDING_JVM, "1.8.0_392");
            const std::string key = kLegacyRuntimeKey;
            set_key(HKEY_LOCAL_MACHINE, kOwnView, key, "CurrentVersion", "1.8");
            set_key(HKEY_LOCAL_MACHINE, kOwnView, key + "\\1.8", "RuntimeLib", legacy + "\\bin\\client\\jvm.dll");
        }
        ProcessResult r = run(l.legacy_beside ? VANDREL_LAUNCHER_MIN_11 : VANDREL_LAUNCHER, path);
        EXPECT_EQ(1, r.status) << r.failure;
        if (l.other_machine) {
            EXPECT_EQ("Found only a " + kOtherBits + " Java runtime, version " + l.version + ", in '" + home +
                          "'; this program needs a " + kOwnBits + " Java runtime.\r\n",
                      r.err);
            EXPECT_NE(std::string::npos, r.out.find(": refused, wrong machine type\r\n")) << r.out;
        } else {
            EXPECT_EQ("Could not create the Java virtual machine.\r\n", r.err);
            std::string taken = "'" + library + "', version " + l.version + ", " + kOwnBits + ": taken\r\n";
            EXPECT_NE(std::string::npos, r.out.find(taken)) << r.out;
        }
    }
}

TEST(RuntimeImports, ComeFromTheRuntimesBinFolderNeverTheCurrentDirectory) {
    ScratchDir dir("imports");
    std::string home = dir / "dependent";
    make_dir(home + "\\bin\\server");
    std::string dependency = home + "\\bin\\vandrel_dependency.dll";
    ASSERT_TRUE(CopyFileA(windows_path(VANDREL_DEPENDENCY_DLL).c_str(), dependency.c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(windows_path(VANDREL_DEPENDENT_JVM).c_str(), (home + "\\bin\\server\\jvm.dll").c_str(), FALSE));
    // A planted copy in the current directory, where the loader would look
    // for it without help and not find it in bin.
    std::string planted = dir / "planted";
    make_dir(planted);
    ASSERT_TRUE(CopyFileA(dependency.c_str(), (planted + "\\vandrel_dependency.dll").c_str(), FALSE));
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(planted.c_str()));

    void* library = load_runtime_library((home + "\\bin\\server\\jvm.dll").c_str());
    SetCurrentDirectoryA(saved);
    ASSERT_NE(nullptr, library);
    HMODULE loaded = GetModuleHandleA("vandrel_dependency.dll");
    ASSERT_NE(nullptr, loaded);
    char name[MAX_PATH];
    DWORD length = GetModuleFileNameA(loaded, name, sizeof name);
    EXPECT_EQ(0, lstrcmpiA(dependency.c_str(), std::string(name, length).c_str())) << name;
}

}  // namespace
