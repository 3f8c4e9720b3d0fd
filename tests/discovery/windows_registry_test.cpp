// Finding and loading the Java runtime under Wine: the registry of the
// throwaway prefix (keys written by this process, in the view the code under
// test reads), LoadLibraryA on the test doubles, and the launcher's shipped
// string table with single values replaced where a case needs them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/config.h"
#include "runtime/runtime.h"
#include "runtime_capture.h"
#include "support/files.h"
#include "support/platform_fakes.h"
#include "support/registry.h"

namespace {

const char kNotFound[] =
    "Could not find the Java Runtime Environment.\n"
    "No recognized versions in: 'Software\\JavaSoft\\Java Runtime Environment\\'\n";
const char kUnreadable[] = "Failed reading value of registry key: RuntimeLib";

std::string double_library(const char* kind) {
    return windows_path(VANDREL_JVM_DOUBLES_DIR) + "\\" + kind + "\\" + VANDREL_JVM_FILE_NAME;
}

// Unloads a copy of a test double so that its scratch directory can go.
void unload(const std::string& library) {
    HMODULE module = GetModuleHandleA(library.c_str());
    if (module != nullptr) FreeLibrary(module);
}

class WindowsRuntimeTest : public ::testing::Test {
  protected:
    WindowsRuntimeTest() : scratch_("runtime") { machine_.script_strings(true); }
    void SetUp() override {
        _putenv("JAVA_HOME=");
        clear_runtime_keys();
    }
    void TearDown() override { clear_runtime_keys(); }

    ScriptedPlatform machine_;  // the shipped string table, with single values replaced
    ScratchDir scratch_;
};

TEST_F(WindowsRuntimeTest, ShippedConfigurationLoadsTheRegisteredRuntime) {
    ASSERT_TRUE(register_runtime("1.3", double_library("recording")));
    EXPECT_TRUE(loads_from(double_library("recording")));
}

TEST_F(WindowsRuntimeTest, MissingKeyPrintsTheNoRuntimeMessage) {
    std::string message = shipped_value(kConfigNoRuntimeMessage);
    ASSERT_EQ(0u, message.find("This program requires the Java Runtime Environment. \nPlease download at "));
    EXPECT_TRUE(refused_with(message));
}

TEST_F(WindowsRuntimeTest, UnusableCurrentVersionOrSubkeyMeansNotFound) {
    ASSERT_TRUE(set_registry_text(std::string(kLegacyRuntimeKey) + "\\1.3", "RuntimeLib", double_library("recording")));
    EXPECT_TRUE(refused_with(kNotFound));  // no CurrentVersion
    ASSERT_TRUE(set_registry_value(kLegacyRuntimeKey, "CurrentVersion", REG_DWORD, std::string("\x03\0\0\0", 4)));
    EXPECT_TRUE(refused_with(kNotFound));
    ASSERT_TRUE(set_registry_value(kLegacyRuntimeKey, "CurrentVersion", REG_EXPAND_SZ, std::string("1.3\0", 4)));
    EXPECT_TRUE(refused_with(kNotFound));
    ASSERT_TRUE(set_registry_text(kLegacyRuntimeKey, "CurrentVersion", std::string(259, '1')));  // 260 bytes
    EXPECT_TRUE(refused_with(kNotFound));
    ASSERT_TRUE(set_registry_text(kLegacyRuntimeKey, "CurrentVersion", "1.4"));  // no subkey 1.4
    EXPECT_TRUE(refused_with(kNotFound));
    ASSERT_TRUE(set_registry_text(kLegacyRuntimeKey, "CurrentVersion", "1.3"));
    EXPECT_TRUE(loads_from(double_library("recording")));
}

TEST_F(WindowsRuntimeTest, UnreadableRuntimeLibIsReported) {
    std::string subkey = std::string(kLegacyRuntimeKey) + "\\1.3";
    ASSERT_TRUE(set_registry_text(kLegacyRuntimeKey, "CurrentVersion", "1.3"));
    ASSERT_TRUE(set_registry_text(subkey, "JavaHome", "C:\\nowhere"));
    EXPECT_TRUE(refused_with(kUnreadable));
    // Stored as expandable text, its environment variables are expanded.
    _putenv(("VANDREL_DOUBLES=" + windows_path(VANDREL_JVM_DOUBLES_DIR)).c_str());
    ASSERT_TRUE(set_registry_value(subkey, "RuntimeLib", REG_EXPAND_SZ,
                                   std::string("%VANDREL_DOUBLES%\\recording\\") + VANDREL_JVM_FILE_NAME + '\0'));
    EXPECT_TRUE(loads_from(double_library("recording")));
    ASSERT_TRUE(set_registry_text(subkey, "RuntimeLib", std::string(259, 'p')));
    EXPECT_TRUE(refused_with(kUnreadable));
    // Stored without its terminator, the text is terminated when read.
    ASSERT_TRUE(set_registry_value(subkey, "RuntimeLib", REG_SZ, double_library("recording")));
    EXPECT_TRUE(loads_from(double_library("recording")));
}

TEST_F(WindowsRuntimeTest, LoaderFailuresNameThePath) {
    ASSERT_TRUE(register_runtime("1.4", double_library("create-only")));
    EXPECT_TRUE(refused_with("Can't find JNI interfaces in: " + double_library("create-only") + "\n"));
    ASSERT_TRUE(register_runtime("1.4", double_library("not-a-library")));
    EXPECT_TRUE(refused_with("Error loading: " + double_library("not-a-library") + "\n"));
    ASSERT_TRUE(register_runtime("1.4", double_library("absent")));
    EXPECT_TRUE(refused_with("Error loading: " + double_library("absent") + "\n"));
}

// The range applies to the version read from the real registry, and its
// refusals are printed; every rule of the range is tested over the scripted
// registry (discovery_scripted).
TEST_F(WindowsRuntimeTest, VersionRangeAppliesToTheRegisteredVersion) {
    ASSERT_TRUE(register_runtime("11", double_library("recording")));
    machine_.set_string(kConfigMinVersion, "9");
    machine_.set_string(kConfigMaxVersion, "11");
    EXPECT_TRUE(loads_from(double_library("recording")));
    machine_.set_string(kConfigMaxVersion, "1.8");
    EXPECT_TRUE(refused_with(shipped_bad_version("11", "9 to 1.8")));
    machine_.set_string(kConfigMaxVersion, "x.5");
    EXPECT_TRUE(refused_with("Unrecognized maximum major version: x.5"));
}

TEST_F(WindowsRuntimeTest, ConfiguredRelativePathStartsAtTheProgramDirectory) {
    std::string bundled = scratch_ / "jre\\bin\\client";
    CreateDirectoryA((scratch_ / "jre").c_str(), nullptr);
    CreateDirectoryA((scratch_ / "jre\\bin").c_str(), nullptr);
    CreateDirectoryA(bundled.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(double_library("recording").c_str(), (bundled + "\\jvm.dll").c_str(), FALSE));
    std::string relative = scratch_.path().substr(program_directory().size() + 1) + "\\jre\\bin\\client\\jvm.dll";
    machine_.set_string(kConfigRuntimeLibraryPath, relative + "# bundled with the program");
    EXPECT_TRUE(loads_from(program_directory() + "\\" + relative));
    unload(bundled + "\\jvm.dll");
}

TEST_F(WindowsRuntimeTest, ConfiguredAbsolutePathsAreUsedUnchanged) {
    machine_.set_string(kConfigMinVersion, "1.8");  // the range applies to the registry route only
    ASSERT_TRUE(register_runtime("1.3", double_library("recording")));
    std::string with_drive = double_library("create-only");
    machine_.set_string(kConfigRuntimeLibraryPath, with_drive);
    EXPECT_TRUE(refused_with("Can't find JNI interfaces in: " + with_drive + "\n"));
    // \work\... depends on the current drive: it is taken from the program's
    // directory, where it names nothing, and the registry is searched.
    machine_.set_string(kConfigRuntimeLibraryPath, with_drive.substr(2));
    EXPECT_TRUE(refused_with(shipped_bad_version("1.3", "1.8 or later")));
    std::string not_a_library = double_library("not-a-library");
    machine_.set_string(kConfigRuntimeLibraryPath, not_a_library);
    EXPECT_TRUE(refused_with("Error loading: " + not_a_library + "\n"));
}

// A library planted in the current directory is never loaded: "r\jvm.dll" is
// the program directory's, where it names nothing, and the registry is searched.
TEST_F(WindowsRuntimeTest, APathBelowAFolderNeverStartsAtTheCurrentDirectory) {
    ASSERT_TRUE(register_runtime("1.3", double_library("recording")));
    ASSERT_TRUE(CreateDirectoryA((scratch_ / "r").c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(double_library("create-only").c_str(), (scratch_ / "r\\jvm.dll").c_str(), FALSE));
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch_.path().c_str()));
    machine_.set_string(kConfigRuntimeLibraryPath, "r\\jvm.dll");
    EXPECT_TRUE(loads_from(double_library("recording")));
    SetCurrentDirectoryA(saved);
}

TEST_F(WindowsRuntimeTest, ConfiguredPathNamingNothingFallsBackSilently) {
    ASSERT_TRUE(register_runtime("1.3", double_library("recording")));
    machine_.set_string(kConfigRuntimeLibraryPath, "jre\\bin\\client\\jvm.dll");
    EXPECT_TRUE(loads_from(double_library("recording")));
    machine_.set_string(kConfigRuntimeLibraryPath, "C:\\no\\such\\jvm.dll");
    EXPECT_TRUE(loads_from(double_library("recording")));
    machine_.set_string(kConfigRuntimeLibraryPath, "*.dll");
    EXPECT_TRUE(loads_from(double_library("recording")));
    // With nothing registered either, only the registry route speaks.
    clear_runtime_keys();
    EXPECT_TRUE(refused_with(shipped_value(kConfigNoRuntimeMessage)));
}

TEST_F(WindowsRuntimeTest, ComposedPathMustFitThePathBuffer) {
    // A value naming a directory under the program's own through "\." steps,
    // composed to exactly 259 characters, exists (and is no library); one
    // character more does not fit and the registry is searched instead.
    std::string directory = program_directory();
    size_t room = size_t(kPathCapacity - 1) - directory.size() - 1;
    std::string value = scratch_.path().substr(directory.size() + 1);
    while (value.size() + 2 <= room) value += "\\.";
    if (value.size() < room) value += "\\";
    ASSERT_EQ(room, value.size());
    machine_.set_string(kConfigRuntimeLibraryPath, value);
    std::string composed = directory + "\\" + value;
    ASSERT_EQ(size_t(kPathCapacity - 1), composed.size());
    EXPECT_TRUE(refused_with("Error loading: " + composed + "\n"));

    machine_.set_string(kConfigRuntimeLibraryPath, value.back() == '.' ? value + "\\" : value + ".");
    EXPECT_TRUE(refused_with(shipped_value(kConfigNoRuntimeMessage)));
    ASSERT_TRUE(register_runtime("1.3", double_library("recording")));
    EXPECT_TRUE(loads_from(double_library("recording")));
}

TEST(WindowsModuleDirectory, IsTheProgramsDirectory) {
    char directory[kPathCapacity];
    ASSERT_TRUE(get_module_directory(directory, sizeof directory));
    EXPECT_EQ(program_directory(), directory);
    EXPECT_NE('\\', directory[strlen(directory) - 1]);
}

}  // namespace
