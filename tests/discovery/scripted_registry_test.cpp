// Runtime discovery against a scripted registry and string table: the
// version rules, the registry route's messages, composing a configured
// library path, and the order of decisions in load_java_runtime, with no
// runtime beyond the legacy key (runtime_search_test.cpp scripts whole
// machines for the wider search). The real registry and real libraries are
// exercised by discovery_windows and discovery_java_home.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "config.h"
#include "runtime.h"
#include "runtime_capture.h"
#include "support/capture.h"
#include "support/files.h"
#include "support/platform_fakes.h"

namespace {

const char kRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment";
const char kNotFound[] =
    "Could not find the Java Runtime Environment.\n"
    "No recognized versions in: 'Software\\JavaSoft\\Java Runtime Environment\\'\n";
const char kNoRuntimeMessage[] = "This program requires the Java Runtime Environment. \nPlease download at here\n";
const char kBadVersionMessage[] =
    "This program is not compatible with Java version %s.\nPlease contact the author for more information.\n";
const unsigned long kDword = 4;

std::string bad_version(const std::string& version) {
    return "This program is not compatible with Java version " + version +
           ".\nPlease contact the author for more information.\n";
}

// Stored registry data: `bytes` exactly as stored (a terminator only when
// it is part of the text).
struct StoredValue {
    unsigned long type;
    std::string bytes;
};

StoredValue text_value(const std::string& text) { return {kRegistryTypeText, text + std::string(1, '\0')}; }

struct ScriptedRegistry {
    bool runtime_key = true;
    std::map<std::string, StoredValue> root_values;
    std::map<std::string, std::map<std::string, StoredValue>> subkeys;
    int opened = 0;
    int closed = 0;
    std::vector<std::string> root_opens;  // names opened under HKEY_LOCAL_MACHINE
};

struct ScriptedKey {
    const std::map<std::string, StoredValue>* values;
    bool is_root;
};

ScriptedRegistry* registry = nullptr;
std::map<std::string, StoredValue> no_values;

bool scripted_open(RegistryKey parent, const char* subkey, RegistryKey* key) {
    if (parent == nullptr) {
        registry->root_opens.push_back(subkey);
        if (!registry->runtime_key || strcmp(subkey, kRuntimeKey) != 0) return false;
        *key = new ScriptedKey{&registry->root_values, true};
    } else {
        const ScriptedKey* p = static_cast<const ScriptedKey*>(parent);
        auto found = registry->subkeys.find(subkey);
        if (!p->is_root || found == registry->subkeys.end()) return false;
        *key = new ScriptedKey{&found->second, false};
    }
    ++registry->opened;
    return true;
}

bool scripted_query(RegistryKey key, const char* name, unsigned long* type, unsigned char* data,
                    unsigned long* size) {
    const ScriptedKey* k = static_cast<const ScriptedKey*>(key);
    auto found = k->values->find(name);
    if (found == k->values->end()) return false;
    const StoredValue& v = found->second;
    *type = v.type;
    if (data != nullptr) {
        if (*size < v.bytes.size()) {
            *size = static_cast<unsigned long>(v.bytes.size());
            return false;
        }
        memcpy(data, v.bytes.data(), v.bytes.size());
    }
    *size = static_cast<unsigned long>(v.bytes.size());
    return true;
}

void scripted_close(RegistryKey key) {
    ++registry->closed;
    delete static_cast<ScriptedKey*>(key);
}

std::string module_file = "";
unsigned long scripted_module_file_name(char* buffer, unsigned long capacity) {
    if (module_file.empty()) return 0;
    if (module_file.size() >= capacity) {
        memcpy(buffer, module_file.data(), capacity - 1);
        buffer[capacity - 1] = '\0';
        return capacity;
    }
    memcpy(buffer, module_file.c_str(), module_file.size() + 1);
    return static_cast<unsigned long>(module_file.size());
}

// Paths that "exist", and a record of the loader's use.
std::vector<std::string> existing_paths;
std::vector<std::string> existence_queries;
std::vector<std::string> loaded_paths;
std::vector<std::string> symbols_asked;
bool library_loads = true;
bool library_has_defaults = true;
int fake_library_tag;
jint JNICALL fake_create(JavaVM**, void**, void*) { return JNI_ERR; }
jint JNICALL fake_defaults(void*) { return JNI_OK; }

// No environment: a Java home named there plays no part in these tests.
const char* no_environment(const char*) { return nullptr; }

bool scripted_path_exists(const char* path) {
    existence_queries.push_back(path);
    for (const std::string& p : existing_paths)
        if (p == path) return true;
    // A library registered as RuntimeLib exists.
    for (const auto& subkey : registry->subkeys) {
        auto lib = subkey.second.find("RuntimeLib");
        if (lib != subkey.second.end() && lib->second.bytes.c_str() == std::string(path)) return true;
    }
    return false;
}

// No registry keys beyond the legacy one.
bool no_other_keys(RegistryKey, const char*, RegistryRoot, RegistryView, RegistryKey*) { return false; }

void* scripted_load_library(const char* path) {
    loaded_paths.push_back(path);
    return library_loads ? &fake_library_tag : nullptr;
}

void* scripted_find_symbol(void* library, const char* name) {
    symbols_asked.push_back(name);
    if (library != &fake_library_tag) return nullptr;
    if (strcmp(name, "JNI_CreateJavaVM") == 0) return reinterpret_cast<void*>(fake_create);
    if (strcmp(name, "JNI_GetDefaultJavaVMInitArgs") == 0 && library_has_defaults)
        return reinterpret_cast<void*>(fake_defaults);
    return nullptr;
}

std::string native_path(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '/') c = kPathSeparator;
    return out;
}

class ScriptedRuntimeTest : public ::testing::Test {
protected:
    ScriptedRuntimeTest() : strings_(false) {
        registry = &registry_;
        platform.registry_open = scripted_open;
        platform.registry_query = scripted_query;
        platform.registry_close = scripted_close;
        platform.module_file_name = scripted_module_file_name;
        platform.path_exists = scripted_path_exists;
        platform.registry_open_view = no_other_keys;
        platform.load_library = scripted_load_library;
        platform.find_symbol = scripted_find_symbol;
        platform.get_env = no_environment;
        module_file = native_path(kPathSeparator == '\\' ? "C:/Apps/game.exe" : "/opt/apps/game");
        existing_paths.clear();
        existence_queries.clear();
        loaded_paths.clear();
        symbols_asked.clear();
        library_loads = true;
        library_has_defaults = true;
        strings_.set(kConfigNoRuntimeMessage, kNoRuntimeMessage);
        strings_.set(kConfigBadVersionMessage, kBadVersionMessage);
    }
    void TearDown() override { EXPECT_EQ(registry_.opened, registry_.closed) << "registry keys left open"; }
    ~ScriptedRuntimeTest() override { registry = nullptr; }

    // Registers `version` with a subkey of that name holding `runtime_lib`.
    void register_runtime(const std::string& version, const std::string& runtime_lib = "C:\\jre\\jvm.dll") {
        registry_.root_values["CurrentVersion"] = text_value(version);
        registry_.subkeys[version]["RuntimeLib"] = text_value(runtime_lib);
    }

    struct Found {
        bool result;
        std::string path;
        std::string errors;
        std::string output;
    };

    Found find() {
        char path[kPathCapacity + 8];
        memset(path, 0x7f, sizeof path);
        StreamCapture out(1);
        StreamCapture err(2);
        Found f;
        f.result = find_runtime_in_registry(path, kPathCapacity);
        f.errors = err.finish();
        f.output = out.finish();
        for (size_t i = kPathCapacity; i < sizeof path; ++i)
            if (path[i] != 0x7f) ADD_FAILURE() << "path written past its capacity";
        if (f.result) f.path = std::string(path, strnlen(path, kPathCapacity));
        return f;
    }


    ::testing::AssertionResult accepted(const std::string& runtime_lib = "C:\\jre\\jvm.dll") {
        Found f = find();
        if (!f.result) return ::testing::AssertionFailure() << "refused, printing " << ::testing::PrintToString(f.errors);
        if (!f.errors.empty() || !f.output.empty())
            return ::testing::AssertionFailure() << "accepted but printed " << ::testing::PrintToString(f.errors);
        if (f.path != runtime_lib) return ::testing::AssertionFailure() << "path " << f.path;
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult refused_with(const std::string& message) {
        Found f = find();
        if (f.result) return ::testing::AssertionFailure() << "accepted " << f.path;
        if (!f.output.empty()) return ::testing::AssertionFailure() << "standard output: " << f.output;
        if (f.errors != as_written(message))
            return ::testing::AssertionFailure() << "printed " << ::testing::PrintToString(f.errors);
        return ::testing::AssertionSuccess();
    }

    PlatformRestorer restorer_;
    FakeStringTable strings_;
    ScriptedRegistry registry_;
};

TEST(ParseMajorVersion, RecognisesDigitDotDigitAndWholeNumbers) {
    EXPECT_EQ(1.3f, parse_major_version("1.3"));
    EXPECT_EQ(1.2f, parse_major_version("1.2"));
    EXPECT_EQ(1.0f, parse_major_version("1."));
    EXPECT_EQ(1.8f, parse_major_version("1.8"));
    EXPECT_EQ(-1.0f, parse_major_version(""));
    EXPECT_EQ(9.0f, parse_major_version("9"));
    EXPECT_EQ(11.0f, parse_major_version("11"));
    EXPECT_EQ(17.0f, parse_major_version("17"));
    EXPECT_EQ(21.0f, parse_major_version("21"));
}

TEST(ParseMajorVersion, EveryOtherFormIsZero) {
    for (const char* text : {"1.10", "1.4.2", "1.3.1_02", "x.5", "17.0", "1.3 ", " 1.3", "1234", "a", "1x", ".5"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(0.0f, parse_major_version(text));
    }
}

TEST_F(ScriptedRuntimeTest, ReadsRuntimeLibOfTheRegisteredVersion) {
    register_runtime("1.3", "C:\\Program Files\\JavaSoft\\JRE\\1.3\\bin\\hotspot\\jvm.dll");
    registry_.subkeys["1.4"]["RuntimeLib"] = text_value("C:\\other\\jvm.dll");
    EXPECT_TRUE(accepted("C:\\Program Files\\JavaSoft\\JRE\\1.3\\bin\\hotspot\\jvm.dll"));
    ASSERT_EQ(1u, registry_.root_opens.size());
    EXPECT_EQ(kRuntimeKey, registry_.root_opens[0]);
}

TEST_F(ScriptedRuntimeTest, MissingRuntimeKeyPrintsValue8Only) {
    registry_.runtime_key = false;
    EXPECT_TRUE(refused_with(kNoRuntimeMessage));
    strings_.set(kConfigNoRuntimeMessage, "100%% sure: %%s\n");  // a format text
    EXPECT_TRUE(refused_with("100% sure: %s\n"));
    strings_.clear(kConfigNoRuntimeMessage);
    EXPECT_TRUE(refused_with(""));
    strings_.set(kConfigNoRuntimeMessage, "#only a comment");
    EXPECT_TRUE(refused_with(""));
}

TEST_F(ScriptedRuntimeTest, UnusableCurrentVersionMeansNotFound) {
    registry_.subkeys["1.3"]["RuntimeLib"] = text_value("C:\\jre\\jvm.dll");
    EXPECT_TRUE(refused_with(kNotFound));  // absent
    registry_.root_values["CurrentVersion"] = {kDword, std::string("\x03\0\0\0", 4)};
    EXPECT_TRUE(refused_with(kNotFound));
    registry_.root_values["CurrentVersion"] = {2 /* expandable text */, std::string("1.3\0", 4)};
    EXPECT_TRUE(refused_with(kNotFound));
    registry_.root_values["CurrentVersion"] = text_value(std::string(259, '1'));  // 260 bytes stored
    registry_.subkeys[std::string(259, '1')]["RuntimeLib"] = text_value("C:\\long\\jvm.dll");
    EXPECT_TRUE(refused_with(kNotFound));
}

TEST_F(ScriptedRuntimeTest, LongestCurrentVersionIsUsed) {
    std::string version(258, '1');  // 259 bytes with its terminator
    register_runtime(version, "C:\\long\\jvm.dll");
    EXPECT_TRUE(accepted("C:\\long\\jvm.dll"));
}

TEST_F(ScriptedRuntimeTest, UnterminatedCurrentVersionNamesItsSubkey) {
    registry_.root_values["CurrentVersion"] = {kRegistryTypeText, "1.3"};
    registry_.subkeys["1.3"]["RuntimeLib"] = text_value("C:\\jre\\jvm.dll");
    EXPECT_TRUE(accepted());
}

TEST_F(ScriptedRuntimeTest, MissingVersionSubkeyMeansNotFound) {
    registry_.root_values["CurrentVersion"] = text_value("1.3");
    registry_.subkeys["1.4"]["RuntimeLib"] = text_value("C:\\jre\\jvm.dll");
    EXPECT_TRUE(refused_with(kNotFound));
}

TEST_F(ScriptedRuntimeTest, UnreadableRuntimeLibIsReported) {
    const char kUnreadable[] = "Failed reading value of registry key: RuntimeLib";
    registry_.root_values["CurrentVersion"] = text_value("1.3");
    registry_.subkeys["1.3"]["Other"] = text_value("x");
    EXPECT_TRUE(refused_with(kUnreadable));
    registry_.subkeys["1.3"]["RuntimeLib"] = {kDword, std::string("\1\0\0\0", 4)};
    EXPECT_TRUE(refused_with(kUnreadable));
    registry_.subkeys["1.3"]["RuntimeLib"] = text_value(std::string(259, 'p'));
    EXPECT_TRUE(refused_with(kUnreadable));
    registry_.subkeys["1.3"]["RuntimeLib"] = text_value(std::string(258, 'p'));
    EXPECT_TRUE(accepted(std::string(258, 'p')));
    // Stored without a terminator, the text is terminated all the same.
    registry_.subkeys["1.3"]["RuntimeLib"] = {kRegistryTypeText, std::string(259, 'q')};
    EXPECT_TRUE(accepted(std::string(259, 'q')));
    registry_.subkeys["1.3"]["RuntimeLib"] = {kRegistryTypeText, "C:\\j.dll"};
    EXPECT_TRUE(accepted("C:\\j.dll"));
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
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(std::string("registered ") + c.registered + ", minimum " + (c.minimum ? c.minimum : "-") +
                     ", maximum " + (c.maximum ? c.maximum : "-"));
        registry_.root_values.clear();
        registry_.subkeys.clear();
        register_runtime(c.registered, std::string("C:\\jre\\") + c.registered + "\\jvm.dll");
        if (c.minimum) strings_.set(kConfigMinVersion, c.minimum); else strings_.clear(kConfigMinVersion);
        if (c.maximum) strings_.set(kConfigMaxVersion, c.maximum); else strings_.clear(kConfigMaxVersion);
        switch (c.outcome) {
            case RangeCase::kAccepted:
                EXPECT_TRUE(accepted(std::string("C:\\jre\\") + c.registered + "\\jvm.dll"));
                break;
            case RangeCase::kBadVersion:
                EXPECT_TRUE(refused_with(bad_version(c.registered)));
                // Without value 9 the range has no effect.
                strings_.clear(kConfigBadVersionMessage);
                EXPECT_TRUE(accepted(std::string("C:\\jre\\") + c.registered + "\\jvm.dll"));
                strings_.set(kConfigBadVersionMessage, kBadVersionMessage);
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
    strings_.set(kConfigMinVersion, "1.4");
    strings_.set(kConfigMaxVersion, "x.5");
    EXPECT_TRUE(refused_with(bad_version("1.3")));
    strings_.clear(kConfigBadVersionMessage);
    EXPECT_TRUE(refused_with("Unrecognized maximum major version: x.5"));
}

TEST_F(ScriptedRuntimeTest, BoundsComeFromTheTextBeforeTheComment) {
    register_runtime("1.3");
    strings_.set(kConfigMinVersion, "1.4# lowest we run on");
    strings_.set(kConfigBadVersionMessage, "too old: %s#explanation");
    EXPECT_TRUE(refused_with("too old: 1.3"));
    strings_.set(kConfigMinVersion, "1.3 # a blank before the comment");
    EXPECT_TRUE(refused_with("Unrecognized minimum major version: 1.3 "));
}

TEST(QueryRegistryText, SizeMustBeBelowCapacity) {
    PlatformRestorer restorer;
    ScriptedRegistry scripted;
    registry = &scripted;
    platform.registry_query = scripted_query;
    std::map<std::string, StoredValue> values;
    ScriptedKey key{&values, true};
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
    registry = nullptr;
}

TEST_F(ScriptedRuntimeTest, ModuleDirectory) {
    char directory[kPathCapacity + 8];
    std::string sep(1, kPathSeparator);
    memset(directory, 0x7f, sizeof directory);
    ASSERT_TRUE(get_module_directory(directory, kPathCapacity));
    EXPECT_EQ(native_path(kPathSeparator == '\\' ? "C:/Apps" : "/opt/apps"), directory);

    module_file = kPathSeparator == '\\' ? "C:\\game.exe" : "/game";
    ASSERT_TRUE(get_module_directory(directory, kPathCapacity));
    EXPECT_STREQ(kPathSeparator == '\\' ? "C:" : "", directory);

    module_file = "game.exe";
    EXPECT_FALSE(get_module_directory(directory, kPathCapacity));
    module_file = "";
    EXPECT_FALSE(get_module_directory(directory, kPathCapacity));

    // A name that does not fit is not cut into a wrong directory.
    module_file = sep + std::string(250, 'd') + sep + "game.exe";
    EXPECT_FALSE(get_module_directory(directory, kPathCapacity));
    module_file = sep + std::string(248, 'd') + sep + "ga.exe";
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
                  {"C:\\Apps\\game.exe", "D:jvm.dll", "D:jvm.dll"},
                  {"C:\\Apps\\game.exe", "\\Java\\jvm.dll", "\\Java\\jvm.dll"},
                  {"C:\\Apps\\game.exe", "\\\\server\\share\\jvm.dll", "\\\\server\\share\\jvm.dll"},
                  {"C:\\Apps\\game.exe", "x\\jvm.dll", "x\\jvm.dll"},
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
        module_file = c.module;
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
    module_file = sep + "apps" + sep + "game.exe";  // directory of 5 bytes, then a separator
    char path[kPathCapacity + 8];
    memset(path, 0x7f, sizeof path);
    std::string fits(kPathCapacity - 1 - 6, 'r');
    ASSERT_TRUE(compose_runtime_library_path(fits.c_str(), path, kPathCapacity));
    EXPECT_EQ(sep + "apps" + sep + fits, path);
    memset(path, 0x7f, sizeof path);
    EXPECT_FALSE(compose_runtime_library_path((fits + "r").c_str(), path, kPathCapacity));
    std::string absolute = sep + std::string(kPathCapacity - 1, 'a');
    EXPECT_FALSE(compose_runtime_library_path(absolute.c_str(), path, kPathCapacity));
    for (size_t i = kPathCapacity; i < sizeof path; ++i) EXPECT_EQ(0x7f, path[i]);
    absolute.pop_back();
    EXPECT_TRUE(compose_runtime_library_path(absolute.c_str(), path, kPathCapacity));
    EXPECT_EQ(absolute, path);
}

TEST_F(ScriptedRuntimeTest, ExistingConfiguredLibraryBypassesTheRegistry) {
    std::string composed = module_file.substr(0, module_file.rfind(kPathSeparator) + 1) + "jre" +
                           std::string(1, kPathSeparator) + "jvm.dll";
    strings_.set(kConfigRuntimeLibraryPath, std::string("jre") + kPathSeparator + "jvm.dll#where it lives");
    existing_paths.push_back(composed);
    register_runtime("1.3", "C:\\registered\\jvm.dll");
    LoadedRuntime l = load_runtime_captured();
    EXPECT_TRUE(l.result);
    EXPECT_EQ("", l.errors);
    EXPECT_EQ(fake_create, l.entry_points.create_vm);
    EXPECT_EQ(fake_defaults, l.entry_points.get_default_init_args);
    EXPECT_EQ(std::vector<std::string>{composed}, loaded_paths);
    EXPECT_TRUE(registry_.root_opens.empty());
}

TEST_F(ScriptedRuntimeTest, ConfiguredLibraryOutsideTheRangeIsLoadedAnyway) {
    std::string absolute = native_path(kPathSeparator == '\\' ? "D:/jvm.dll" : "/jvm/libjvm.so");
    strings_.set(kConfigRuntimeLibraryPath, absolute);
    strings_.set(kConfigMinVersion, "1.4");
    existing_paths.push_back(absolute);
    register_runtime("1.3");
    LoadedRuntime l = load_runtime_captured();
    EXPECT_TRUE(l.result);
    EXPECT_EQ("", l.errors);
    EXPECT_EQ(std::vector<std::string>{absolute}, loaded_paths);
}

TEST_F(ScriptedRuntimeTest, MissingOrOverlongConfiguredLibraryFallsBackToTheRegistrySilently) {
    register_runtime("1.3", "C:\\registered\\jvm.dll");
    for (const std::string& value : {std::string("missing.dll"), std::string(kPathCapacity, 'L'),
                                     std::string(1, kPathSeparator) + std::string(kPathCapacity, 'A')}) {
        SCOPED_TRACE(value.substr(0, 20));
        strings_.set(kConfigRuntimeLibraryPath, value);
        loaded_paths.clear();
        existence_queries.clear();
        LoadedRuntime l = load_runtime_captured();
        EXPECT_TRUE(l.result);
        EXPECT_EQ("", l.errors);
        EXPECT_EQ(std::vector<std::string>{"C:\\registered\\jvm.dll"}, loaded_paths);
        for (const std::string& queried : existence_queries) EXPECT_LT(queried.size(), size_t(kPathCapacity));
    }
    // With the registry route failing too, only its messages appear.
    registry_.runtime_key = false;
    loaded_paths.clear();
    LoadedRuntime l = load_runtime_captured();
    EXPECT_FALSE(l.result);
    EXPECT_EQ(as_written(kNoRuntimeMessage), l.errors);
    EXPECT_TRUE(loaded_paths.empty());
}

TEST_F(ScriptedRuntimeTest, LoaderFailuresNameThePath) {
    register_runtime("1.3", "C:\\registered\\jvm.dll");
    library_loads = false;
    LoadedRuntime l = load_runtime_captured();
    EXPECT_FALSE(l.result);
    EXPECT_EQ(as_written("Error loading: C:\\registered\\jvm.dll\n"), l.errors);

    library_loads = true;
    library_has_defaults = false;
    symbols_asked.clear();
    l = load_runtime_captured();
    EXPECT_FALSE(l.result);
    EXPECT_EQ(as_written("Can't find JNI interfaces in: C:\\registered\\jvm.dll\n"), l.errors);
    EXPECT_EQ((std::vector<std::string>{"JNI_CreateJavaVM", "JNI_GetDefaultJavaVMInitArgs"}), symbols_asked);

    // An existing configured file that does not load is not retried elsewhere.
    std::string absolute = native_path(kPathSeparator == '\\' ? "D:/broken.dll" : "/broken/libjvm.so");
    strings_.set(kConfigRuntimeLibraryPath, absolute);
    existing_paths.push_back(absolute);
    library_loads = false;
    loaded_paths.clear();
    registry_.root_opens.clear();
    l = load_runtime_captured();
    EXPECT_FALSE(l.result);
    EXPECT_EQ(as_written("Error loading: " + absolute + "\n"), l.errors);
    EXPECT_EQ(std::vector<std::string>{absolute}, loaded_paths);
    EXPECT_TRUE(registry_.root_opens.empty());
}

}  // namespace
