// Loading the real libjvm.so of the JDK the build uses, found through
// JAVA_HOME fixtures or a configured path, and the test doubles. No VM is
// created: a process can create only one, and other test programs do.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "config.h"
#include "runtime.h"
#include "runtime_capture.h"
#include "support/files.h"
#include "support/platform_fakes.h"

namespace {

const std::string kRealLibrary = std::string(VANDREL_JDK_HOME) + "/lib/server/libjvm.so";
const char kNotFound[] =
    "Could not find the Java Runtime Environment.\n"
    "No recognized versions in: 'Software\\JavaSoft\\Java Runtime Environment\\'\n";

std::string double_library(const char* kind) {
    return std::string(VANDREL_JVM_DOUBLES_DIR) + "/" + kind + "/" + VANDREL_JVM_FILE_NAME;
}

// Sets (or with null, removes) an environment variable until destruction.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* old = getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            setenv(name_.c_str(), old_.c_str(), 1);
        else
            unsetenv(name_.c_str());
    }

private:
    std::string name_;
    bool had_;
    std::string old_;
};

std::string shipped_value(int id) {
    char buffer[kConfigValueCapacity];
    return read_config_string(id, buffer, sizeof buffer) ? buffer : "";
}

class LinuxRuntimeTest : public ::testing::Test {
protected:
    // Only the homes a test makes are found: neither the system's default
    // Java home nor java on PATH.
    LinuxRuntimeTest() : strings_(true), homes_("homes"), path_("PATH", "") {
        saved_default_home_ = kWellKnownJavaHomes[0];
        kWellKnownJavaHomes[0] = "/nonexistent/default-java";
    }
    ~LinuxRuntimeTest() override { kWellKnownJavaHomes[0] = saved_default_home_; }

    // A Java home with a release file holding `release` and the real
    // libjvm.so linked in at `library` (none when empty).
    std::string make_home(const std::string& name, const std::string& release, const std::string& library) {
        std::string home = homes_ / name;
        std::filesystem::create_directories(home);
        write_file(home + "/release", release);
        if (!library.empty()) {
            std::filesystem::path link = home + "/" + library;
            std::filesystem::create_directories(link.parent_path());
            std::filesystem::create_symlink(kRealLibrary, link);
        }
        return home;
    }

    FakeStringTable strings_;  // the shipped table, with single values replaced
    ScratchDir homes_;
    ScopedEnv path_;
    const char* saved_default_home_;
};

TEST_F(LinuxRuntimeTest, ShippedConfigurationLoadsTheJavaHomeRuntime) {
    std::string home = make_home("jdk17", "JAVA_VERSION=\"17.0.15\"\n", "lib/server/libjvm.so");
    ScopedEnv java_home("JAVA_HOME", home.c_str());
    EXPECT_TRUE(loads_from(kRealLibrary));
}

TEST_F(LinuxRuntimeTest, LegacyLayoutOfAVersion1Runtime) {
    std::string home = make_home("jdk8", "IMPLEMENTOR=\"x\"\nJAVA_VERSION=\"1.8.0_392\"\n",
                                 "jre/lib/amd64/server/libjvm.so");
    ScopedEnv java_home("JAVA_HOME", home.c_str());
    EXPECT_TRUE(loads_from(kRealLibrary));
    // The registry route wants the legacy place for a 1.x runtime; the wider
    // search then finds the library in the modern place under JAVA_HOME.
    std::string misplaced = make_home("jdk8-modern", "JAVA_VERSION=\"1.8.0_392\"\n", "lib/server/libjvm.so");
    ScopedEnv misplaced_home("JAVA_HOME", misplaced.c_str());
    EXPECT_TRUE(loads_from(kRealLibrary));
    // With no library anywhere, the registry route's message.
    std::string empty = make_home("jdk8-empty", "JAVA_VERSION=\"1.8.0_392\"\n", "");
    ScopedEnv empty_home("JAVA_HOME", empty.c_str());
    EXPECT_TRUE(refused_with("Failed reading value of registry key: RuntimeLib"));
}

TEST_F(LinuxRuntimeTest, MissingJavaHomePrintsTheNoRuntimeMessage) {
    ScopedEnv java_home("JAVA_HOME", (homes_ / "absent").c_str());
    std::string message = shipped_value(kConfigNoRuntimeMessage);
    ASSERT_EQ(0u, message.find("This program requires the Java Runtime Environment. \n"));
    EXPECT_TRUE(refused_with(message));
}

TEST_F(LinuxRuntimeTest, ReleaseWithoutVersionIsTakenOnlyWithoutARange) {
    std::string home = make_home("noversion", "IMPLEMENTOR=\"x\"\nJAVA_RUNTIME_VERSION=\"17.0.15\"\n",
                                 "lib/server/libjvm.so");
    ScopedEnv java_home("JAVA_HOME", home.c_str());
    EXPECT_TRUE(loads_from(kRealLibrary));
    strings_.set(kConfigMinVersion, "11");
    EXPECT_TRUE(refused_with(kNotFound));
}

TEST_F(LinuxRuntimeTest, DefaultJavaHomeAndJavaOnPathFollowABrokenJavaHome) {
    ScopedEnv java_home("JAVA_HOME", (homes_ / "absent").c_str());
    std::string fallback = make_home("default", "JAVA_VERSION=\"17.0.15\"\n", "lib/server/libjvm.so");
    kWellKnownJavaHomes[0] = fallback.c_str();
    EXPECT_TRUE(loads_from(kRealLibrary));

    // java on PATH, through a symbolic link as the alternatives system makes it.
    kWellKnownJavaHomes[0] = "/nonexistent/default-java";
    std::string on_path = make_home("on-path", "JAVA_VERSION=\"21\"\n", "lib/server/libjvm.so");
    std::filesystem::create_directories(on_path + "/bin");
    write_file(on_path + "/bin/java", "");
    std::string links = homes_ / "links";
    std::filesystem::create_directories(links);
    std::filesystem::create_symlink(on_path + "/bin/java", links + "/java");
    ScopedEnv path("PATH", ("/nonexistent:" + links).c_str());
    EXPECT_TRUE(loads_from(kRealLibrary));
}

TEST_F(LinuxRuntimeTest, VersionRangeOfTheRegistryRoute) {
    std::string jdk17 = make_home("jdk17", "JAVA_VERSION=\"17.0.15\"\n", "lib/server/libjvm.so");
    std::string jdk8 = make_home("jdk8", "JAVA_VERSION=\"1.8.0_392\"\n", "jre/lib/amd64/server/libjvm.so");
    std::string message = shipped_value(kConfigBadVersionMessage);
    ASSERT_NE(std::string::npos, message.find("%s"));
    auto bad_version = [&](const std::string& version) {
        std::string m = message;
        m.replace(m.find("%s"), 2, version);
        return m;
    };
    {
        ScopedEnv java_home("JAVA_HOME", jdk17.c_str());
        strings_.set(kConfigMaxVersion, "1.8");
        EXPECT_TRUE(refused_with(bad_version("17")));
        strings_.set(kConfigMaxVersion, "17");
        strings_.set(kConfigMinVersion, "1.3");
        EXPECT_TRUE(loads_from(kRealLibrary));
        strings_.set(kConfigMinVersion, "21");
        EXPECT_TRUE(refused_with(bad_version("17")));
        strings_.set(kConfigMinVersion, "1.10");
        EXPECT_TRUE(refused_with("Unrecognized minimum major version: 1.10"));
    }
    strings_.clear(kConfigMinVersion);
    strings_.clear(kConfigMaxVersion);
    {
        ScopedEnv java_home("JAVA_HOME", jdk8.c_str());
        strings_.set(kConfigMinVersion, "11");
        EXPECT_TRUE(refused_with(bad_version("1.8")));
        strings_.set(kConfigMinVersion, "1.8");
        strings_.set(kConfigMaxVersion, "1.8");
        EXPECT_TRUE(loads_from(kRealLibrary));
        strings_.set(kConfigMaxVersion, "x.5");
        EXPECT_TRUE(refused_with("Unrecognized maximum major version: x.5"));
    }
}

TEST_F(LinuxRuntimeTest, ConfiguredAbsolutePathBypassesJavaHome) {
    ScopedEnv java_home("JAVA_HOME", (homes_ / "absent").c_str());
    strings_.set(kConfigRuntimeLibraryPath, kRealLibrary + "#the JDK's own");
    strings_.set(kConfigMinVersion, "21");  // the range applies to the registry route only
    EXPECT_TRUE(loads_from(kRealLibrary));
}

TEST_F(LinuxRuntimeTest, ConfiguredRelativePathStartsAtTheProgramDirectory) {
    ScopedEnv java_home("JAVA_HOME", (homes_ / "absent").c_str());
    make_home("bundled", "", "jre/lib/libjvm.so");
    std::string relative = homes_.path().substr(program_directory().size() + 1) + "/bundled/jre/lib/libjvm.so";
    strings_.set(kConfigRuntimeLibraryPath, relative);
    EXPECT_TRUE(loads_from(program_directory() + "/" + relative));
}

TEST_F(LinuxRuntimeTest, ConfiguredPathNamingNothingFallsBackSilently) {
    std::string home = make_home("jdk17", "JAVA_VERSION=\"17.0.15\"\n", "lib/server/libjvm.so");
    ScopedEnv java_home("JAVA_HOME", home.c_str());
    strings_.set(kConfigRuntimeLibraryPath, homes_ / "nothing/libjvm.so");
    EXPECT_TRUE(loads_from(kRealLibrary));
    strings_.set(kConfigRuntimeLibraryPath, "/" + std::string(300, 'n'));
    EXPECT_TRUE(loads_from(kRealLibrary));
}

TEST_F(LinuxRuntimeTest, TestDoublesThroughTheConfiguredPath) {
    ScopedEnv java_home("JAVA_HOME", (homes_ / "absent").c_str());
    std::string recording = double_library("recording");
    strings_.set(kConfigRuntimeLibraryPath, recording);
    EXPECT_TRUE(loads_from(recording));

    std::string create_only = double_library("create-only");
    strings_.set(kConfigRuntimeLibraryPath, create_only);
    EXPECT_TRUE(refused_with("Can't find JNI interfaces in: " + create_only + "\n"));

    std::string not_a_library = double_library("not-a-library");
    strings_.set(kConfigRuntimeLibraryPath, not_a_library);
    EXPECT_TRUE(refused_with("Error loading: " + not_a_library + "\n"));
}

TEST(LinuxModuleDirectory, IsTheProgramsDirectory) {
    char directory[kPathCapacity];
    ASSERT_TRUE(get_module_directory(directory, sizeof directory));
    EXPECT_EQ(program_directory(), directory);
    EXPECT_FALSE(get_module_directory(directory, 2));
}

}  // namespace
