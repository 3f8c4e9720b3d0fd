// Loading the real libjvm.so of the JDK the build uses, found through
// JAVA_HOME fixtures or a configured path, and the test doubles. No VM is
// created: a process can create only one, and other test programs do.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "settings/config.h"
#include "runtime/runtime.h"
#include "runtime_capture.h"
#include "support/files.h"
#include "support/platform_fakes.h"

namespace {

const std::string kRealLibrary = std::string(VANDREL_JDK_HOME) + "/lib/server/libjvm.so";

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

class LinuxRuntimeTest : public ::testing::Test {
  protected:
    // Only the homes a test makes are found: neither the system's default
    // Java home nor java on PATH.
    LinuxRuntimeTest() : homes_("homes"), path_("PATH", "") {
        machine_.script_strings(true);
        machine_.set_well_known_home("/nonexistent/default-java");
    }

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

    ScriptedPlatform machine_;  // the shipped string table, with single values replaced
    ScratchDir homes_;
    ScopedEnv path_;
};

TEST_F(LinuxRuntimeTest, ShippedConfigurationLoadsTheJavaHomeRuntime) {
    std::string home = make_home("jdk17", "JAVA_VERSION=\"17.0.15\"\n", "lib/server/libjvm.so");
    ScopedEnv java_home("JAVA_HOME", home.c_str());
    EXPECT_TRUE(loads_from(kRealLibrary));
}

TEST_F(LinuxRuntimeTest, LegacyLayoutOfAVersion1Runtime) {
    std::string home =
        make_home("jdk8", "IMPLEMENTOR=\"x\"\nJAVA_VERSION=\"1.8.0_392\"\n", "jre/lib/amd64/server/libjvm.so");
    ScopedEnv java_home("JAVA_HOME", home.c_str());
    EXPECT_TRUE(loads_from(kRealLibrary));
    // A 1.x runtime with its library in the modern place is found there too.
    std::string misplaced = make_home("jdk8-modern", "JAVA_VERSION=\"1.8.0_392\"\n", "lib/server/libjvm.so");
    ScopedEnv misplaced_home("JAVA_HOME", misplaced.c_str());
    EXPECT_TRUE(loads_from(kRealLibrary));
    // With no library anywhere: no runtime (there is no registry to speak of).
    std::string empty = make_home("jdk8-empty", "JAVA_VERSION=\"1.8.0_392\"\n", "");
    ScopedEnv empty_home("JAVA_HOME", empty.c_str());
    EXPECT_TRUE(refused_with(shipped_value(kConfigNoRuntimeMessage)));
}

TEST_F(LinuxRuntimeTest, MissingJavaHomePrintsTheNoRuntimeMessage) {
    ScopedEnv java_home("JAVA_HOME", (homes_ / "absent").c_str());
    std::string message = shipped_value(kConfigNoRuntimeMessage);
    ASSERT_EQ(0u, message.find("This program requires the Java Runtime Environment. \n"));
    EXPECT_TRUE(refused_with(message));
}

TEST_F(LinuxRuntimeTest, ReleaseWithoutVersionIsTakenOnlyWithoutARange) {
    std::string home =
        make_home("noversion", "IMPLEMENTOR=\"x\"\nJAVA_RUNTIME_VERSION=\"17.0.15\"\n", "lib/server/libjvm.so");
    ScopedEnv java_home("JAVA_HOME", home.c_str());
    EXPECT_TRUE(loads_from(kRealLibrary));
    // With a range, a version that cannot be read is not shown to lie in it.
    machine_.set_string(kConfigMinVersion, "11");
    EXPECT_TRUE(refused_with(shipped_bad_version("unknown", "11 or later")));
}

TEST_F(LinuxRuntimeTest, DefaultJavaHomeAndJavaOnPathFollowABrokenJavaHome) {
    ScopedEnv java_home("JAVA_HOME", (homes_ / "absent").c_str());
    std::string fallback = make_home("default", "JAVA_VERSION=\"17.0.15\"\n", "lib/server/libjvm.so");
    machine_.set_well_known_home(fallback.c_str());
    EXPECT_TRUE(loads_from(kRealLibrary));

    // java on PATH, through a symbolic link as the alternatives system makes it.
    machine_.set_well_known_home("/nonexistent/default-java");
    std::string on_path = make_home("on-path", "JAVA_VERSION=\"21\"\n", "lib/server/libjvm.so");
    std::filesystem::create_directories(on_path + "/bin");
    write_file(on_path + "/bin/java", "");
    std::string links = homes_ / "links";
    std::filesystem::create_directories(links);
    std::filesystem::create_symlink(on_path + "/bin/java", links + "/java");
    ScopedEnv path("PATH", ("/nonexistent:" + links).c_str());
    EXPECT_TRUE(loads_from(kRealLibrary));
}

TEST_F(LinuxRuntimeTest, VersionRangeOfTheSearch) {
    std::string jdk17 = make_home("jdk17", "JAVA_VERSION=\"17.0.15\"\n", "lib/server/libjvm.so");
    std::string jdk8 = make_home("jdk8", "JAVA_VERSION=\"1.8.0_392\"\n", "jre/lib/amd64/server/libjvm.so");
    ASSERT_NE(std::string::npos, shipped_value(kConfigBadVersionMessage).find("%s"));
    {
        ScopedEnv java_home("JAVA_HOME", jdk17.c_str());
        machine_.set_string(kConfigMaxVersion, "1.8");
        EXPECT_TRUE(refused_with(shipped_bad_version("17", "1.8 or earlier")));
        machine_.set_string(kConfigMaxVersion, "17");
        machine_.set_string(kConfigMinVersion, "1.3");
        EXPECT_TRUE(loads_from(kRealLibrary));
        machine_.set_string(kConfigMinVersion, "21");
        EXPECT_TRUE(refused_with(shipped_bad_version("17", "21 to 17")));
        machine_.set_string(kConfigMinVersion, "1.10");
        EXPECT_TRUE(refused_with("Unrecognized minimum major version: 1.10"));
    }
    machine_.clear_string(kConfigMinVersion);
    machine_.clear_string(kConfigMaxVersion);
    {
        ScopedEnv java_home("JAVA_HOME", jdk8.c_str());
        machine_.set_string(kConfigMinVersion, "11");
        EXPECT_TRUE(refused_with(shipped_bad_version("1.8", "11 or later")));
        machine_.set_string(kConfigMinVersion, "1.8");
        machine_.set_string(kConfigMaxVersion, "1.8");
        EXPECT_TRUE(loads_from(kRealLibrary));
        machine_.set_string(kConfigMaxVersion, "x.5");
        EXPECT_TRUE(refused_with("Unrecognized maximum major version: x.5"));
    }
}

TEST_F(LinuxRuntimeTest, ConfiguredAbsolutePathBypassesJavaHome) {
    ScopedEnv java_home("JAVA_HOME", (homes_ / "absent").c_str());
    machine_.set_string(kConfigRuntimeLibraryPath, kRealLibrary + "#the JDK's own");
    machine_.set_string(kConfigMinVersion, "21");  // the range applies to the search only
    EXPECT_TRUE(loads_from(kRealLibrary));
}

TEST_F(LinuxRuntimeTest, ConfiguredRelativePathStartsAtTheProgramDirectory) {
    ScopedEnv java_home("JAVA_HOME", (homes_ / "absent").c_str());
    make_home("bundled", "", "jre/lib/libjvm.so");
    std::string relative = homes_.path().substr(program_directory().size() + 1) + "/bundled/jre/lib/libjvm.so";
    machine_.set_string(kConfigRuntimeLibraryPath, relative);
    EXPECT_TRUE(loads_from(program_directory() + "/" + relative));
}

TEST_F(LinuxRuntimeTest, ConfiguredPathNamingNothingFallsBackSilently) {
    std::string home = make_home("jdk17", "JAVA_VERSION=\"17.0.15\"\n", "lib/server/libjvm.so");
    ScopedEnv java_home("JAVA_HOME", home.c_str());
    machine_.set_string(kConfigRuntimeLibraryPath, homes_ / "nothing/libjvm.so");
    EXPECT_TRUE(loads_from(kRealLibrary));
    machine_.set_string(kConfigRuntimeLibraryPath, "/" + std::string(300, 'n'));
    EXPECT_TRUE(loads_from(kRealLibrary));
}

TEST_F(LinuxRuntimeTest, TestDoublesThroughTheConfiguredPath) {
    ScopedEnv java_home("JAVA_HOME", (homes_ / "absent").c_str());
    std::string recording = double_library("recording");
    machine_.set_string(kConfigRuntimeLibraryPath, recording);
    EXPECT_TRUE(loads_from(recording));

    std::string create_only = double_library("create-only");
    machine_.set_string(kConfigRuntimeLibraryPath, create_only);
    EXPECT_TRUE(refused_with("Can't find JNI interfaces in: " + create_only + "\n"));

    std::string not_a_library = double_library("not-a-library");
    machine_.set_string(kConfigRuntimeLibraryPath, not_a_library);
    EXPECT_TRUE(refused_with("Error loading: " + not_a_library + "\n"));
}

TEST(LinuxModuleDirectory, IsTheProgramsDirectory) {
    char directory[kPathCapacity];
    ASSERT_TRUE(get_module_directory(directory, sizeof directory));
    EXPECT_EQ(program_directory(), directory);
    EXPECT_FALSE(get_module_directory(directory, 2));
}

}  // namespace
