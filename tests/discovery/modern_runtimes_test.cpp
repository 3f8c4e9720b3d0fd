// Finding runtimes from Java 9 on: the JRE and JDK keys and JAVA_HOME, tried
// only when the runtime key of older runtimes does not exist. Runs under Wine
// against the real registry of the throwaway prefix; the configuration values
// are served by a replaced string-table reader so that one program can try
// every range.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "settings/config.h"
#include "runtime/runtime.h"
#include "runtime_capture.h"
#include "support/capture.h"
#include "support/files.h"
#include "support/platform_fakes.h"
#include "support/registry.h"

namespace {

const char kShippedNoRuntime[] = "Install Java.\nSee the vendor's page.\n#comment";
const char kShippedBadVersion[] = "Java %s will not do.\nAsk the author.\n#comment";

const std::string kRecording = windows_path(VANDREL_JVM_DOUBLES_DIR) + "\\recording\\" + VANDREL_JVM_FILE_NAME;

void set_key(const std::string& key, const char* name, const std::string& value) {
    ASSERT_TRUE(set_registry_text(key, name, value));
}

void set_java_home(const std::string& value) { _putenv(("JAVA_HOME=" + value).c_str()); }

FoundRuntime search() { return find_runtime_captured(kPathCapacity); }

class ModernDiscovery : public ::testing::Test {
  protected:
    void SetUp() override {
        machine_.script_strings(false);
        machine_.set_string(kConfigNoRuntimeMessage, kShippedNoRuntime);
        machine_.set_string(kConfigBadVersionMessage, kShippedBadVersion);
        clear_runtime_keys();
        set_java_home("");
    }
    void TearDown() override {
        clear_runtime_keys();
        set_java_home("");
    }

    // A fresh directory of the scratch directory.
    std::string make_temp_dir() {
        std::string dir = homes_ / ("home" + std::to_string(++homes_made_));
        make_dir(dir);
        return dir;
    }

    // A Java home whose library is a copy of the recording double at the
    // relative place `library` (such as "bin\\server\\jvm.dll"), with a
    // release file when `java_version` is given.
    std::string make_home(const std::string& library, const char* java_version) {
        std::string home = make_temp_dir();
        std::string target = home + "\\" + library;
        make_dir(target.substr(0, target.rfind('\\')));
        EXPECT_TRUE(CopyFileA(kRecording.c_str(), target.c_str(), FALSE)) << target;
        if (java_version) write_file(home + "\\release", std::string("JAVA_VERSION=\"") + java_version + "\"\n");
        return home;
    }

    // A home with the library at `library`, registered as `version` under
    // `key` (CurrentVersion and RuntimeLib); the library's path.
    std::string register_home(const char* key, const char* version, const std::string& library) {
        std::string path = make_home(library, nullptr) + "\\" + library;
        set_key(key, "CurrentVersion", version);
        set_key(std::string(key) + "\\" + version, "RuntimeLib", path);
        return path;
    }

    // The runtime found, of version 17, is taken under a minimum of
    // `minimum` and refused under a maximum of 1.8 (the range is left so).
    void expect_taken_at_least_and_refused_at_most(const char* minimum) {
        machine_.set_string(kConfigMinVersion, minimum);
        FoundRuntime s = search();
        EXPECT_TRUE(s.result);
        EXPECT_EQ("", s.errors);
        machine_.clear_string(kConfigMinVersion);
        machine_.set_string(kConfigMaxVersion, "1.8");
        s = search();
        EXPECT_FALSE(s.result);
        EXPECT_EQ(as_written("Java 17 will not do.\nAsk the author.\nThis program runs on Java 1.8 or earlier.\n"),
                  s.errors);
    }

    ScriptedPlatform machine_;
    ScratchDir homes_{"homes"};
    int homes_made_ = 0;
};

TEST_F(ModernDiscovery, JreKeyWithRuntimeLibIsLoaded) {
    std::string library = register_home("Software\\JavaSoft\\JRE", "17", "bin\\server\\jvm.dll");
    FoundRuntime s = search();
    EXPECT_TRUE(s.result);
    EXPECT_EQ(library, s.path);
    EXPECT_EQ("", s.errors);

    RuntimeEntryPoints entry_points = {nullptr, nullptr};
    ASSERT_TRUE(load_java_runtime(&entry_points));
    EXPECT_NE(nullptr, entry_points.create_vm);
    EXPECT_NE(nullptr, GetModuleHandleA(library.c_str()));
}

TEST_F(ModernDiscovery, JdkKeyIsSearchedAfterTheJreKey) {
    std::string library = register_home("Software\\JavaSoft\\JDK", "21", "bin\\client\\jvm.dll");
    FoundRuntime s = search();
    EXPECT_TRUE(s.result);
    EXPECT_EQ(library, s.path);

    // A JRE key that names no usable runtime is passed over silently.
    set_key("Software\\JavaSoft\\JRE", "CurrentVersion", "11");
    s = search();
    EXPECT_TRUE(s.result);
    EXPECT_EQ(library, s.path);
    EXPECT_EQ("", s.errors);
}

TEST_F(ModernDiscovery, JdkKeyWithoutRuntimeLibUsesItsJavaHome) {
    std::string server_home = make_home("bin\\server\\jvm.dll", nullptr);
    set_key("Software\\JavaSoft\\JDK", "CurrentVersion", "17");
    set_key("Software\\JavaSoft\\JDK\\17", "JavaHome", server_home);
    FoundRuntime s = search();
    EXPECT_TRUE(s.result);
    EXPECT_EQ(server_home + "\\bin\\server\\jvm.dll", s.path);

    std::string client_home = make_home("bin\\client\\jvm.dll", nullptr);
    set_key("Software\\JavaSoft\\JDK\\17", "JavaHome", client_home + "\\");
    s = search();
    EXPECT_TRUE(s.result);
    EXPECT_EQ(client_home + "\\bin\\client\\jvm.dll", s.path);

    // A home holding neither library yields nothing: the download message.
    set_key("Software\\JavaSoft\\JDK\\17", "JavaHome", make_temp_dir());
    s = search();
    EXPECT_FALSE(s.result);
    EXPECT_EQ(as_written("Install Java.\nSee the vendor's page.\n"), s.errors);
}

TEST_F(ModernDiscovery, JavaHomeIsTheLastRoute) {
    std::string home = make_home("jre\\bin\\client\\jvm.dll", "17.0.2");
    set_java_home(home);
    FoundRuntime s = search();
    EXPECT_TRUE(s.result);
    EXPECT_EQ(home + "\\jre\\bin\\client\\jvm.dll", s.path);

    // bin\server comes first when both exist.
    std::string both = make_home("bin\\server\\jvm.dll", "17.0.2");
    CreateDirectoryA((both + "\\bin\\client").c_str(), nullptr);
    CopyFileA(kRecording.c_str(), (both + "\\bin\\client\\jvm.dll").c_str(), FALSE);
    set_java_home(both);
    s = search();
    EXPECT_EQ(both + "\\bin\\server\\jvm.dll", s.path);

    RuntimeEntryPoints entry_points = {nullptr, nullptr};
    ASSERT_TRUE(load_java_runtime(&entry_points));
    EXPECT_NE(nullptr, GetModuleHandleA((both + "\\bin\\server\\jvm.dll").c_str()));
}

TEST_F(ModernDiscovery, NothingFoundPrintsOnlyTheDownloadMessage) {
    set_java_home(make_temp_dir());  // a home without a library
    FoundRuntime s = search();
    EXPECT_FALSE(s.result);
    EXPECT_EQ(as_written("Install Java.\nSee the vendor's page.\n"), s.errors);
}

TEST_F(ModernDiscovery, VersionRangeAppliesToTheJreKey) {
    register_home("Software\\JavaSoft\\JRE", "17", "bin\\server\\jvm.dll");
    expect_taken_at_least_and_refused_at_most("1.8#");
}

TEST_F(ModernDiscovery, VersionRangeAppliesToJavaHomeThroughItsReleaseFile) {
    std::string home = make_home("bin\\server\\jvm.dll", "17.0.2");
    set_java_home(home);
    expect_taken_at_least_and_refused_at_most("1.8");

    // Without a release file the version is unknown: not taken when a range is set.
    std::string unknown = make_home("bin\\server\\jvm.dll", nullptr);
    set_java_home(unknown);
    FoundRuntime s = search();
    EXPECT_FALSE(s.result);
    EXPECT_EQ(as_written("Java unknown will not do.\nAsk the author.\nThis program runs on Java 1.8 or earlier.\n"),
              s.errors);
}

TEST_F(ModernDiscovery, BrokenLegacyKeyGivesWayToJavaHome) {
    std::string home = make_home("bin\\server\\jvm.dll", "17.0.2");
    set_java_home(home);
    set_key(kLegacyRuntimeKey, "Unrelated", "x");  // key present, CurrentVersion absent
    FoundRuntime s = search();
    EXPECT_TRUE(s.result);
    EXPECT_EQ(home + "\\bin\\server\\jvm.dll", s.path);
    EXPECT_EQ("", s.errors);

    // With nothing else found, the legacy key's own messages.
    set_java_home("");
    s = search();
    EXPECT_FALSE(s.result);
    EXPECT_EQ(as_written("Could not find the Java Runtime Environment.\n"
                         "No recognized versions in: 'Software\\JavaSoft\\Java Runtime Environment\\'\n"),
              s.errors);

    set_key(kLegacyRuntimeKey, "CurrentVersion", "1.8");
    set_key(std::string(kLegacyRuntimeKey) + "\\1.8", "JavaHome", "C:\\nowhere");  // no RuntimeLib
    s = search();
    EXPECT_FALSE(s.result);
    EXPECT_EQ("Failed reading value of registry key: RuntimeLib", s.errors);
}

}  // namespace
