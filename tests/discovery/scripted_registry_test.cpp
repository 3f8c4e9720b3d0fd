// Runtime discovery against a scripted machine: the version rules, the
// registry route's messages, composing a configured library path, and the
// order of decisions in load_java_runtime, with no runtime beyond the legacy
// key (runtime_search_test.cpp scripts whole machines for the wider
// search). The real registry and real libraries are exercised by
// discovery_windows and discovery_java_home.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "settings/config.h"
#include "runtime/runtime.h"
#include "runtime_capture.h"
#include "support/capture.h"
#include "support/files.h"
#include "support/platform_fakes.h"

namespace {

const char kNotFound[] =
    "Could not find the Java Runtime Environment.\n"
    "No recognized versions in: 'Software\\JavaSoft\\Java Runtime Environment\\'\n";
const char kNoRuntimeMessage[] = "This program requires the Java Runtime Environment. \nPlease download at here\n";
const char kBadVersionMessage[] =
    "This program is not compatible with Java version %s.\nPlease contact the author for more information.\n";
const unsigned long kDword = 4;

// Value 9 for `version`, then the versions `wanted` ("1.4 or later").
std::string bad_version(const std::string& version, const std::string& wanted) {
    return "This program is not compatible with Java version " + version +
           ".\nPlease contact the author for more information.\nThis program runs on Java " + wanted + ".\n";
}

std::string native_path(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '/') c = kPathSeparator;
    return out;
}

// A machine whose only runtime is the one the legacy key registers, in this
// program's own view; libraries exist where the tests put them.
class ScriptedRuntimeTest : public ::testing::Test {
  protected:
    ScriptedRuntimeTest() {
        machine_.script_strings(false);
        machine_.script_environment();
        machine_.script_registry();
        machine_.script_files();
        machine_.script_loader();
        machine_.set_well_known_home(nullptr);
        machine_.module_file = native_path(kPathSeparator == '\\' ? "C:/Apps/game.exe" : "/opt/apps/game");
        machine_.set_string(kConfigNoRuntimeMessage, kNoRuntimeMessage);
        machine_.set_string(kConfigBadVersionMessage, kBadVersionMessage);
    }
    void TearDown() override { EXPECT_EQ(machine_.opened, machine_.closed) << "registry keys left open"; }

    // The legacy key, and its subkey `version`.
    std::map<std::string, StoredValue>& legacy_key(const std::string& version = "") {
        return machine_
            .keys["HKLM" + machine_.own_view + "\\" + kLegacyRegistryKey + (version.empty() ? "" : "\\" + version)];
    }

    // RuntimeLib of subkey `version`, naming an existing library.
    void set_runtime_lib(const std::string& version, const StoredValue& value) {
        legacy_key(version)["RuntimeLib"] = value;
        machine_.files[value.bytes.c_str()] = "";
    }

    // Registers `version` with a subkey of that name holding `runtime_lib`.
    void register_runtime(const std::string& version, const std::string& runtime_lib = "C:\\jre\\jvm.dll") {
        legacy_key()["CurrentVersion"] = text_value(version);
        set_runtime_lib(version, text_value(runtime_lib));
    }

    ::testing::AssertionResult accepted(const std::string& runtime_lib = "C:\\jre\\jvm.dll") {
        FoundRuntime f = find_runtime_captured(kPathCapacity);
        if (!f.result)
            return ::testing::AssertionFailure() << "refused, printing " << ::testing::PrintToString(f.errors);
        if (!f.errors.empty() || !f.output.empty())
            return ::testing::AssertionFailure() << "accepted but printed " << ::testing::PrintToString(f.errors);
        if (f.path != runtime_lib) return ::testing::AssertionFailure() << "path " << f.path;
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult refused_with(const std::string& message) {
        FoundRuntime f = find_runtime_captured(kPathCapacity);
        if (f.result) return ::testing::AssertionFailure() << "accepted " << f.path;
        if (!f.output.empty()) return ::testing::AssertionFailure() << "standard output: " << f.output;
        if (f.errors != as_written(message))
            return ::testing::AssertionFailure() << "printed " << ::testing::PrintToString(f.errors);
        return ::testing::AssertionSuccess();
    }

    ScriptedPlatform machine_;
};

TEST_F(ScriptedRuntimeTest, ReadsRuntimeLibOfTheRegisteredVersion) {
    register_runtime("1.3", "C:\\Program Files\\JavaSoft\\JRE\\1.3\\bin\\hotspot\\jvm.dll");
    set_runtime_lib("1.4", text_value("C:\\other\\jvm.dll"));
    EXPECT_TRUE(accepted("C:\\Program Files\\JavaSoft\\JRE\\1.3\\bin\\hotspot\\jvm.dll"));
    ASSERT_EQ(1u, machine_.root_opens.size());
    EXPECT_STREQ(kLegacyRegistryKey, machine_.root_opens[0].c_str());
}

TEST_F(ScriptedRuntimeTest, MissingRuntimeKeyPrintsValue8Only) {
    EXPECT_TRUE(refused_with(kNoRuntimeMessage));
    machine_.set_string(kConfigNoRuntimeMessage, "100%% sure: %%s\n");  // a format text
    EXPECT_TRUE(refused_with("100% sure: %s\n"));
    machine_.clear_string(kConfigNoRuntimeMessage);
    EXPECT_TRUE(refused_with(""));
    machine_.set_string(kConfigNoRuntimeMessage, "#only a comment");
    EXPECT_TRUE(refused_with(""));
}

TEST_F(ScriptedRuntimeTest, CurrentVersionNamesTheSubkeyWhenStoredAsText) {
    const std::string longest(258, '1');  // 259 bytes with its terminator
    auto stored = [](unsigned long type, const std::string& bytes) { return StoredValue{type, bytes}; };
    struct Case {
        const char* what;
        bool present;
        StoredValue current_version;
        std::string subkey;
        bool found;
    };
    const std::vector<Case> cases = {
        {"absent", false, text_value(""), "1.3", false},
        {"a number", true, stored(kDword, std::string("\x03\0\0\0", 4)), "1.3", false},
        {"expandable text", true, stored(kRegistryTypeExpandableText, std::string("1.3\0", 4)), "1.3", false},
        {"260 bytes stored", true, text_value(longest + "1"), longest + "1", false},
        {"the longest", true, text_value(longest), longest, true},
        {"unterminated", true, stored(kRegistryTypeText, "1.3"), "1.3", true},
        {"no subkey of that name", true, text_value("1.3"), "1.4", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        machine_.keys.clear();
        if (c.present) legacy_key()["CurrentVersion"] = c.current_version;
        set_runtime_lib(c.subkey, text_value("C:\\jre\\jvm.dll"));
        EXPECT_TRUE(c.found ? accepted() : refused_with(kNotFound));
    }
}

TEST_F(ScriptedRuntimeTest, UnreadableRuntimeLibIsReported) {
    const char kUnreadable[] = "Failed reading value of registry key: RuntimeLib";
    legacy_key()["CurrentVersion"] = text_value("1.3");
    legacy_key("1.3")["Other"] = text_value("x");
    EXPECT_TRUE(refused_with(kUnreadable));
    set_runtime_lib("1.3", {kDword, std::string("\1\0\0\0", 4)});
    EXPECT_TRUE(refused_with(kUnreadable));
    set_runtime_lib("1.3", text_value(std::string(259, 'p')));
    EXPECT_TRUE(refused_with(kUnreadable));
    set_runtime_lib("1.3", text_value(std::string(258, 'p')));
    EXPECT_TRUE(accepted(std::string(258, 'p')));
    // Stored without a terminator, the text is terminated all the same.
    set_runtime_lib("1.3", {kRegistryTypeText, std::string(259, 'q')});
    EXPECT_TRUE(accepted(std::string(259, 'q')));
    set_runtime_lib("1.3", {kRegistryTypeText, "C:\\j.dll"});
    EXPECT_TRUE(accepted("C:\\j.dll"));
    // Stored as expandable text, its environment variables are expanded,
    // and the expanded path must fit.
    machine_.environment["JAVA_ROOT"] = "C:\\Java";
    set_runtime_lib("1.3", {kRegistryTypeExpandableText, std::string("%JAVA_ROOT%\\jre\\jvm.dll\0", 24)});
    machine_.files["C:\\Java\\jre\\jvm.dll"] = "";
    EXPECT_TRUE(accepted("C:\\Java\\jre\\jvm.dll"));
    machine_.environment["JAVA_ROOT"] = std::string(250, 'j');
    EXPECT_TRUE(refused_with(kUnreadable));
}

struct RangeCase {
    const char* registered;
    const char* minimum;  // value 3, null when blank
    const char* maximum;  // value 4, null when blank
    enum { kAccepted, kBadVersion, kBadMinimum, kBadMaximum } outcome;
};

TEST_F(ScriptedRuntimeTest, VersionRange) {
    const RangeCase cases[] = {
        {"1.3", "1.4", nullptr, RangeCase::kBadVersion},
        {"1.4", "1.4", nullptr, RangeCase::kAccepted},
        {"1.8", nullptr, "1.3", RangeCase::kBadVersion},
        {"1.3", nullptr, "1.3", RangeCase::kAccepted},
        {"1.3", "1.3", "1.3", RangeCase::kAccepted},
        {"1.4", "1.3", "1.8", RangeCase::kAccepted},
        {"1.9", "1.3", "1.8", RangeCase::kBadVersion},
        // A minimum below 1.2 counts as 1.2; 1.2 itself stays.
        {"1.1", "1.1", nullptr, RangeCase::kBadVersion},
        {"1.2", "1.1", nullptr, RangeCase::kAccepted},
        {"1.3", "1.1", nullptr, RangeCase::kAccepted},
        {"1.1", "0.5", nullptr, RangeCase::kBadVersion},
        {"1.2", "1.0", nullptr, RangeCase::kAccepted},
        {"1.2", "1.2", nullptr, RangeCase::kAccepted},
        {"1.1", "1.2", nullptr, RangeCase::kBadVersion},
        {"1.1", nullptr, "1.1", RangeCase::kAccepted},  // no floor for the maximum
        {"1.0", nullptr, "0.9", RangeCase::kBadVersion},
        // Whole-number families compare by their number.
        {"9", "1.3", nullptr, RangeCase::kAccepted},
        {"11", "1.3", nullptr, RangeCase::kAccepted},
        {"11", nullptr, "1.8", RangeCase::kBadVersion},
        {"17", "11", "21", RangeCase::kAccepted},
        {"11", "9", "11", RangeCase::kAccepted},
        {"9", nullptr, nullptr, RangeCase::kAccepted},
        {"9", "1.3", "1.8", RangeCase::kBadVersion},
        {"9", "11", nullptr, RangeCase::kBadVersion},
        {"21", "11", "17", RangeCase::kBadVersion},
        {"11", nullptr, nullptr, RangeCase::kAccepted},
        // Registered texts that parse as 0 fall below any minimum.
        {"1.10", "1.3", nullptr, RangeCase::kBadVersion},
        {"1.4.2", "1.3", nullptr, RangeCase::kBadVersion},
        {"1.4.2", nullptr, "1.3", RangeCase::kAccepted},
        {"x.5", nullptr, nullptr, RangeCase::kAccepted},
        // Bounds that are no version.
        {"1.3", "1.10", nullptr, RangeCase::kBadMinimum},
        {"1.3", "x.5", "1.10", RangeCase::kBadMinimum},
        {"1.3", "1.3 ", nullptr, RangeCase::kBadMinimum},
        {"1.3", nullptr, "1.4.2", RangeCase::kBadMaximum},
        {"1.3", "1.2", "1.3.1_02", RangeCase::kBadMaximum},
        {"1.3", nullptr, "0", RangeCase::kBadMaximum},
        {"1.4", nullptr, "x.5", RangeCase::kBadMaximum},
        {"1.4", "1.10", nullptr, RangeCase::kBadMinimum},
        // A bound of 8 is the Java that reports 1.8.
        {"1.8", "8", "8", RangeCase::kAccepted},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(std::string("registered ") + c.registered + ", minimum " + (c.minimum ? c.minimum : "-") +
                     ", maximum " + (c.maximum ? c.maximum : "-"));
        machine_.keys.clear();
        register_runtime(c.registered, std::string("C:\\jre\\") + c.registered + "\\jvm.dll");
        machine_.set_optional_string(kConfigMinVersion, c.minimum);
        machine_.set_optional_string(kConfigMaxVersion, c.maximum);
        switch (c.outcome) {
            case RangeCase::kAccepted:
                EXPECT_TRUE(accepted(std::string("C:\\jre\\") + c.registered + "\\jvm.dll"));
                break;
            case RangeCase::kBadVersion:
                EXPECT_TRUE(refused_with(bad_version(c.registered, !c.maximum ? std::string(c.minimum) + " or later"
                                                                   : !c.minimum
                                                                       ? std::string(c.maximum) + " or earlier"
                                                                       : std::string(c.minimum) + " to " + c.maximum)));
                // Without value 9 the range has no effect.
                machine_.clear_string(kConfigBadVersionMessage);
                EXPECT_TRUE(accepted(std::string("C:\\jre\\") + c.registered + "\\jvm.dll"));
                machine_.set_string(kConfigBadVersionMessage, kBadVersionMessage);
                break;
            case RangeCase::kBadMinimum:
                EXPECT_TRUE(refused_with(std::string("Unrecognized minimum major version: ") + c.minimum));
                break;
            case RangeCase::kBadMaximum:
                EXPECT_TRUE(refused_with(std::string("Unrecognized maximum major version: ") + c.maximum));
                break;
        }
    }
}

TEST_F(ScriptedRuntimeTest, MinimumIsCheckedBeforeMaximum) {
    register_runtime("1.3");
    machine_.set_string(kConfigMinVersion, "1.4");
    machine_.set_string(kConfigMaxVersion, "x.5");
    EXPECT_TRUE(refused_with(bad_version("1.3", "1.4 or later")));  // a bound that is no version left out
    machine_.clear_string(kConfigBadVersionMessage);
    EXPECT_TRUE(refused_with("Unrecognized maximum major version: x.5"));
}

TEST_F(ScriptedRuntimeTest, BoundsComeFromTheTextBeforeTheComment) {
    register_runtime("1.3");
    machine_.set_string(kConfigMinVersion, "1.4# lowest we run on");
    machine_.set_string(kConfigBadVersionMessage, "too old: %s#explanation");
    EXPECT_TRUE(refused_with("too old: 1.3\nThis program runs on Java 1.4 or later.\n"));  // on a line of its own
    machine_.set_string(kConfigMinVersion, "1.3 # a blank before the comment");
    EXPECT_TRUE(refused_with("Unrecognized minimum major version: 1.3 "));
}

TEST(QueryRegistryText, SizeMustBeBelowCapacity) {
    ScriptedPlatform machine;
    machine.script_registry();
    std::string key = "HKLM64\\k";
    std::map<std::string, StoredValue>& values = machine.keys[key];
    char buffer[16];

    values["v"] = text_value("123456789");  // 10 bytes stored
    memset(buffer, 0x7f, sizeof buffer);
    EXPECT_FALSE(query_registry_text(&key, "v", buffer, 10));
    EXPECT_EQ(0x7f, buffer[0]);
    EXPECT_TRUE(query_registry_text(&key, "v", buffer, 11));
    EXPECT_STREQ("123456789", buffer);
    EXPECT_EQ(0x7f, buffer[11]);

    values["v"] = {kRegistryTypeText, "1234567890"};  // 10 bytes, no terminator
    memset(buffer, 0x7f, sizeof buffer);
    EXPECT_FALSE(query_registry_text(&key, "v", buffer, 10));
    EXPECT_TRUE(query_registry_text(&key, "v", buffer, 11));
    EXPECT_STREQ("1234567890", buffer);
    EXPECT_EQ(0x7f, buffer[11]);

    values["v"] = {kDword, std::string("\1\0\0\0", 4)};
    EXPECT_FALSE(query_registry_text(&key, "v", buffer, 16));
    EXPECT_FALSE(query_registry_text(&key, "absent", buffer, 16));
}

TEST_F(ScriptedRuntimeTest, ModuleDirectory) {
    char directory[kPathCapacity + 8];
    std::string sep(1, kPathSeparator);
    memset(directory, 0x7f, sizeof directory);
    ASSERT_TRUE(get_module_directory(directory, kPathCapacity));
    EXPECT_EQ(native_path(kPathSeparator == '\\' ? "C:/Apps" : "/opt/apps"), directory);

    machine_.module_file = kPathSeparator == '\\' ? "C:\\game.exe" : "/game";
    ASSERT_TRUE(get_module_directory(directory, kPathCapacity));
    EXPECT_STREQ(kPathSeparator == '\\' ? "C:" : "", directory);

    machine_.module_file = "game.exe";
    EXPECT_FALSE(get_module_directory(directory, kPathCapacity));
    machine_.module_file = "";
    EXPECT_FALSE(get_module_directory(directory, kPathCapacity));

    // A name that does not fit is not cut into a wrong directory.
    machine_.module_file = sep + std::string(250, 'd') + sep + "game.exe";
    EXPECT_FALSE(get_module_directory(directory, kPathCapacity));
    machine_.module_file = sep + std::string(248, 'd') + sep + "ga.exe";
    ASSERT_TRUE(get_module_directory(directory, kPathCapacity));
    EXPECT_EQ(sep + std::string(248, 'd'), directory);
    for (size_t i = kPathCapacity; i < sizeof directory; ++i) EXPECT_EQ(0x7f, directory[i]);
}

TEST_F(ScriptedRuntimeTest, ComposedPaths) {
    char path[kPathCapacity + 8];
    struct Case {
        const char* module;
        const char* value;
        const char* expected;
    };
    const std::vector<Case> cases =
        kPathSeparator == '\\'
            ? std::vector<Case>{
                  {"C:\\Apps\\game.exe", "jre\\bin\\client\\jvm.dll", "C:\\Apps\\jre\\bin\\client\\jvm.dll"},
                  {"C:\\game.exe", "jre\\bin\\client\\jvm.dll", "C:\\jre\\bin\\client\\jvm.dll"},
                  {"C:\\Apps\\game.exe", "D:\\Java\\jvm.dll", "D:\\Java\\jvm.dll"},
                  // A path that depends on the current drive or its directory is relative.
                  {"C:\\Apps\\game.exe", "D:jvm.dll", "C:\\Apps\\D:jvm.dll"},
                  {"C:\\Apps\\game.exe", "\\Java\\jvm.dll", "C:\\Apps\\\\Java\\jvm.dll"},
                  {"C:\\Apps\\game.exe", "\\\\server\\share\\jvm.dll", "\\\\server\\share\\jvm.dll"},
                  {"C:\\Apps\\game.exe", "//server/share/jvm.dll", "//server/share/jvm.dll"},
                  {"C:\\Apps\\game.exe", "D:/Java/jvm.dll", "D:/Java/jvm.dll"},
                  {"C:\\Apps\\game.exe", "x\\jvm.dll", "C:\\Apps\\x\\jvm.dll"},
                  {"C:\\Apps\\game.exe", "/java/jvm.dll", "C:\\Apps\\/java/jvm.dll"},
                  {"C:\\Apps\\game.exe", "jvm.dll", "C:\\Apps\\jvm.dll"},
                  // No directory to resolve against: never the current one.
                  {"game.exe", "jre\\jvm.dll", nullptr},
              }
            : std::vector<Case>{
                  {"/opt/apps/game", "jre/lib/libjvm.so", "/opt/apps/jre/lib/libjvm.so"},
                  {"/game", "jre/libjvm.so", "/jre/libjvm.so"},
                  {"/opt/apps/game", "/usr/lib/libjvm.so", "/usr/lib/libjvm.so"},
                  {"game", "jre/libjvm.so", nullptr},
              };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.module) + " + " + c.value);
        machine_.module_file = c.module;
        memset(path, 0x7f, sizeof path);
        if (c.expected == nullptr) {
            EXPECT_FALSE(compose_runtime_library_path(c.value, path, kPathCapacity));
            continue;
        }
        ASSERT_TRUE(compose_runtime_library_path(c.value, path, kPathCapacity));
        EXPECT_STREQ(c.expected, path);
    }
}

TEST_F(ScriptedRuntimeTest, ComposedPathMustFitWithItsTerminator) {
    std::string sep(1, kPathSeparator);
    machine_.module_file = sep + "apps" + sep + "game.exe";  // directory of 5 bytes, then a separator
    char path[kPathCapacity + 8];
    memset(path, 0x7f, sizeof path);
    std::string fits(kPathCapacity - 1 - 6, 'r');
    ASSERT_TRUE(compose_runtime_library_path(fits.c_str(), path, kPathCapacity));
    EXPECT_EQ(sep + "apps" + sep + fits, path);
    memset(path, 0x7f, sizeof path);
    EXPECT_FALSE(compose_runtime_library_path((fits + "r").c_str(), path, kPathCapacity));
    std::string root = kPathSeparator == '\\' ? "C:\\" : "/";
    std::string absolute = root + std::string(kPathCapacity - root.size(), 'a');
    EXPECT_FALSE(compose_runtime_library_path(absolute.c_str(), path, kPathCapacity));
    for (size_t i = kPathCapacity; i < sizeof path; ++i) EXPECT_EQ(0x7f, path[i]);
    absolute.pop_back();
    EXPECT_TRUE(compose_runtime_library_path(absolute.c_str(), path, kPathCapacity));
    EXPECT_EQ(absolute, path);
}

TEST_F(ScriptedRuntimeTest, ExistingConfiguredLibraryBypassesTheRegistry) {
    std::string composed = machine_.module_file.substr(0, machine_.module_file.rfind(kPathSeparator) + 1) + "jre" +
                           std::string(1, kPathSeparator) + "jvm.dll";
    machine_.set_string(kConfigRuntimeLibraryPath, std::string("jre") + kPathSeparator + "jvm.dll#where it lives");
    machine_.files[composed] = "";
    register_runtime("1.3", "C:\\registered\\jvm.dll");
    LoadedRuntime l = load_runtime_captured();
    EXPECT_TRUE(l.result);
    EXPECT_EQ("", l.errors);
    EXPECT_EQ(ScriptedPlatform::create_vm_entry(), reinterpret_cast<void*>(l.entry_points.create_vm));
    EXPECT_EQ(ScriptedPlatform::default_init_args_entry(),
              reinterpret_cast<void*>(l.entry_points.get_default_init_args));
    EXPECT_EQ(std::vector<std::string>{composed}, machine_.loaded_paths);
    EXPECT_TRUE(machine_.root_opens.empty());
}

TEST_F(ScriptedRuntimeTest, ConfiguredLibraryOutsideTheRangeIsLoadedAnyway) {
    std::string absolute = native_path(kPathSeparator == '\\' ? "D:/jvm.dll" : "/jvm/libjvm.so");
    machine_.set_string(kConfigRuntimeLibraryPath, absolute);
    machine_.set_string(kConfigMinVersion, "1.4");
    machine_.files[absolute] = "";
    register_runtime("1.3");
    LoadedRuntime l = load_runtime_captured();
    EXPECT_TRUE(l.result);
    EXPECT_EQ("", l.errors);
    EXPECT_EQ(std::vector<std::string>{absolute}, machine_.loaded_paths);
}

TEST_F(ScriptedRuntimeTest, MissingOrOverlongConfiguredLibraryFallsBackToTheRegistrySilently) {
    register_runtime("1.3", "C:\\registered\\jvm.dll");
    for (const std::string& value : {std::string("missing.dll"), std::string(kPathCapacity, 'L'),
                                     std::string(1, kPathSeparator) + std::string(kPathCapacity, 'A')}) {
        SCOPED_TRACE(value.substr(0, 20));
        machine_.set_string(kConfigRuntimeLibraryPath, value);
        machine_.loaded_paths.clear();
        machine_.existence_queries.clear();
        LoadedRuntime l = load_runtime_captured();
        EXPECT_TRUE(l.result);
        EXPECT_EQ("", l.errors);
        EXPECT_EQ(std::vector<std::string>{"C:\\registered\\jvm.dll"}, machine_.loaded_paths);
        for (const std::string& queried : machine_.existence_queries) EXPECT_LT(queried.size(), size_t(kPathCapacity));
    }
    // With the registry route failing too, only its messages appear.
    machine_.keys.clear();
    machine_.loaded_paths.clear();
    LoadedRuntime l = load_runtime_captured();
    EXPECT_FALSE(l.result);
    EXPECT_EQ(as_written(kNoRuntimeMessage), l.errors);
    EXPECT_TRUE(machine_.loaded_paths.empty());
}

TEST_F(ScriptedRuntimeTest, LoaderFailuresNameThePath) {
    register_runtime("1.3", "C:\\registered\\jvm.dll");
    machine_.library_loads = false;
    LoadedRuntime l = load_runtime_captured();
    EXPECT_FALSE(l.result);
    EXPECT_EQ(as_written("Error loading: C:\\registered\\jvm.dll\n"), l.errors);

    machine_.library_loads = true;
    machine_.library_has_defaults = false;
    machine_.symbols_asked.clear();
    l = load_runtime_captured();
    EXPECT_FALSE(l.result);
    EXPECT_EQ(as_written("Can't find JNI interfaces in: C:\\registered\\jvm.dll\n"), l.errors);
    EXPECT_EQ((std::vector<std::string>{"JNI_CreateJavaVM", "JNI_GetDefaultJavaVMInitArgs"}), machine_.symbols_asked);

    // An existing configured file that does not load is not retried elsewhere.
    std::string absolute = native_path(kPathSeparator == '\\' ? "D:/broken.dll" : "/broken/libjvm.so");
    machine_.set_string(kConfigRuntimeLibraryPath, absolute);
    machine_.files[absolute] = "";
    machine_.library_loads = false;
    machine_.loaded_paths.clear();
    machine_.root_opens.clear();
    l = load_runtime_captured();
    EXPECT_FALSE(l.result);
    EXPECT_EQ(as_written("Error loading: " + absolute + "\n"), l.errors);
    EXPECT_EQ(std::vector<std::string>{absolute}, machine_.loaded_paths);
    EXPECT_TRUE(machine_.root_opens.empty());
}

}  // namespace
