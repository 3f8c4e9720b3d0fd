// The settings that travel with a program, over the platform table: references
// in values, version markers on option lines, the options file, the start-up
// cache's options and files, and the single-instance lock.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "settings/config.h"
#include "settings/expansion.h"
#include "settings/option_markers.h"
#include "settings/options_file.h"
#include "runtime/runtime_release.h"
#include "settings/startup_cache.h"
#include "support/capture.h"
#include "support/files.h"
#include "support/platform_fakes.h"
#include "vm/vm_options.h"

namespace {

std::map<std::string, std::string> fake_env;
// Option lists of earlier cases: their strings live as long as the process,
// as a launcher's do.
std::vector<VmOptionList> earlier_lists;

void start_new_option_list() {
    earlier_lists.push_back(vm_option_list);
    vm_option_list = VmOptionList{0, 0, nullptr};
}
std::string fake_module;

const char* env_from_map(const char* name) {
    auto entry = fake_env.find(name);
    return entry == fake_env.end() ? nullptr : entry->second.c_str();
}

unsigned long module_from_string(char* buffer, unsigned long capacity) {
    if (fake_module.size() >= capacity) return capacity;
    memcpy(buffer, fake_module.c_str(), fake_module.size() + 1);
    return static_cast<unsigned long>(fake_module.size());
}

// The environment and the program's file are the test's; the option list,
// the runtime's release and the string table start empty.
class Settings : public ::testing::Test {
  protected:
    Settings() {
        strings_.script_strings(false);
        platform.get_env = env_from_map;
        platform.module_file_name = module_from_string;
        fake_env = {{"A", "x"}, {"EMPTY", ""}};
        fake_module = dir_ / "game.exe";
        runtime_release = RuntimeRelease{0, ""};
    }
    ~Settings() override {
        start_new_option_list();
        runtime_release = RuntimeRelease{0, ""};
    }
    std::vector<std::string> options() const {
        std::vector<std::string> list;
        for (int i = 0; i < vm_option_list.count; ++i) list.push_back(vm_option_list.entries[i].optionString);
        return list;
    }

    ScriptedPlatform strings_;  // the string table; the table restored at the end
    ScratchDir dir_;
};

// The file under `directory` that an option of `list` names; "" when none does.
std::string file_under(const std::string& directory, const std::vector<std::string>& list) {
    for (const std::string& option : list)
        if (option.find(directory) != std::string::npos) return option.substr(option.find(directory));
    return "";
}

std::string expanded(const std::string& text, int capacity = kConfigValueCapacity) {
    std::vector<char> out(size_t(capacity) + 1, '?');
    std::string in = text;
    int length = expand_references(&in[0], out.data(), capacity);
    EXPECT_EQ(text, in) << "the text is restored";
    return length < 0 ? "<too long>" : std::string(out.data(), size_t(length));
}

TEST_F(Settings, ReferencesAreReplacedAndEverythingElseStaysAsWritten) {
    const std::string file = dir_ / "game.exe";
    const struct {
        const char* text;
        std::string expected;
    } cases[] = {
        {"-Dapp.dir=%EXEDIR%", "-Dapp.dir=" + dir_.path()},
        {"%EXEFILE%", file},
        {"%A%-%A%", "x-x"},
        {"%EMPTY%y", "y"},
        {"%NOPE% %p", "%NOPE% %p"},
        {"-XX:OnError=\"kill %p\"", "-XX:OnError=\"kill %p\""},
        {"100%%", "100%"},
        {"%%A%%", "%A%"},
        {"50% of %A%", "50% of x"},
        {"%", "%"},
        {"a%A", "a%A"},
        {"%exedir%", "%exedir%"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, expanded(c.text)) << c.text;
}

TEST_F(Settings, AnExpansionThatDoesNotFitIsRefusedNeverCut) {
    fake_env["LONG"] = std::string(1991, 'l');
    EXPECT_EQ(std::string(1999, 'n'), expanded(std::string(1999, 'n')));
    EXPECT_EQ("<too long>", expanded("%LONG%123456789"));
    EXPECT_EQ("ax", expanded("a%A%", 3));  // two bytes and the terminator
    EXPECT_EQ("<too long>", expanded("a%A%x", 3));

    strings_.set_string(kConfigVmArguments, "-Dlong=%LONG%1234567890# comment");
    char buffer[kConfigValueCapacity];
    StreamCapture err(2, dir_ / "err");
    EXPECT_EQ(-1, read_expanded_config(kConfigVmArguments, buffer, sizeof buffer));
    EXPECT_EQ(as_written("Can't launch: value 5 is too long once expanded\n"), err.finish());
    strings_.set_string(kConfigVmArguments, "-Da=%A%\n-Db=%%# comment");
    EXPECT_EQ(11, read_expanded_config(kConfigVmArguments, buffer, sizeof buffer));
    EXPECT_STREQ("-Da=x\n-Db=%", buffer);
}

void collect_item(char* item, void* context) { static_cast<std::vector<std::string>*>(context)->push_back(item); }

// A folder name may hold a line feed or a carriage return: an item is cut
// before its references are replaced, so they stay inside it.
TEST_F(Settings, ItemsAreCutBeforeTheirReferencesAreReplaced) {
    const std::string sep(1, kPathSeparator);
    fake_module = dir_.path() + sep + "a\nb\rc" + sep + "game.exe";
    std::string text = "-Dd=%EXEDIR%\n[17+]-Xa\r\n";
    std::vector<char> out(kConfigValueCapacity);
    std::vector<std::string> items;
    EXPECT_GT(expand_items(&text[0], out.data(), kConfigValueCapacity, collect_item, &items), 0);
    EXPECT_EQ((std::vector<std::string>{"-Dd=" + dir_.path() + sep + "a\nb\rc", "[17+]-Xa"}), items);
    text = "%EXEDIR%\n%EXEDIR%";
    size_t one = dir_.path().size() + 7;  // the directory, "/a\nb\rc" and its terminator
    EXPECT_EQ(-1, expand_items(&text[0], out.data(), int(2 * one - 1), collect_item, &items));
    text = "%EXEDIR%\n%EXEDIR%";  // cut in place
    EXPECT_EQ(int(2 * one), expand_items(&text[0], out.data(), int(2 * one), collect_item, &items));
}

TEST(VersionMarkers, LinesAreForTheRuntimesTheirMarkersTakeIn) {
    const struct {
        const char* line;
        int family;
        const char* expected;  // null: left out
    } cases[] = {
        {"[22+]--enable-native-access=ALL-UNNAMED", 21, nullptr},
        {"[22+]--enable-native-access=ALL-UNNAMED", 22, "--enable-native-access=ALL-UNNAMED"},
        {"[22+]-Xa", 25, "-Xa"},
        {"[-8]-Xa", 8, "-Xa"},
        {"[-8]-Xa", 11, nullptr},
        {"[-1.8]-Xa", 8, "-Xa"},
        {"[1.8-11]-Xa", 8, "-Xa"},
        {"[8-11]-Xa", 11, "-Xa"},
        {"[8-11]-Xa", 17, nullptr},
        {"[11-17]-Xa", 9, nullptr},
        {"[1.8+]-Xa", 8, "-Xa"},
        {"[1.8+]-Xa", 0, nullptr},  // an unknown runtime takes in no marker
        {"-Xmx1g", 0, "-Xmx1g"},
        {"[abc]-Xa", 17, "[abc]-Xa"},  // no marker: given as written
        {"[+]-Xa", 17, "[+]-Xa"},
        {"[22+-Xa", 25, "[22+-Xa"},
        {"[22+]", 25, ""},
        {"[17+] -Xmx64m", 17, "-Xmx64m"},  // the blanks after a marker go with it
        {"[17+]\t -Xa ", 25, "-Xa "},
    };
    for (const auto& c : cases) {
        std::string line = c.line;
        const char* result = apply_version_marker(&line[0], c.family);
        EXPECT_STREQ(c.expected, result) << c.line << " for " << c.family;
    }
    const struct {
        const char* version;
        int family;
    } families[] = {{"1.8.0_392", 8}, {"1.8", 8}, {"25.0.3", 25}, {"17", 17}, {"9.0.4", 9}, {"x", -1}};
    for (const auto& f : families) EXPECT_EQ(f.family, family_of(f.version)) << f.version;
}

TEST_F(Settings, OptionsFileLinesJoinTheOptions) {
    const std::string file = dir_ / "app.vmoptions";
    strings_.set_string(kConfigOptionsFile, "%EXEDIR%/app.vmoptions#");
    runtime_release.family = 17;
    const struct {
        std::string text;
        std::vector<std::string> expected;
    } cases[] = {
        {"# heap\r\n  -Xmx1g  \r\n\r\n\t\n#-Xss1m\n-Da=%A%\n[21+]-Dnew=1\n[-17]-Dold=1\n-Dlast=1",
         {"-Xmx1g", "-Da=x", "-Dold=1", "-Dlast=1"}},
        {"", {}},
        {"-Xmx2g\n", {"-Xmx2g"}},
        {std::string(1999, 'x'), {std::string(1999, 'x')}},
    };
    for (const auto& c : cases) {
        write_file(file, c.text);
        EXPECT_TRUE(add_vm_options_from_file());
        EXPECT_EQ(c.expected, options()) << c.text.substr(0, 80);
        start_new_option_list();
    }
    // Missing, named by no value: nothing, and no error.
    std::remove(file.c_str());
    EXPECT_TRUE(add_vm_options_from_file());
    strings_.clear_string(kConfigOptionsFile);
    EXPECT_TRUE(add_vm_options_from_file());
    EXPECT_TRUE(options().empty());
    // Too long for the room of a value, as written or once expanded.
    strings_.set_string(kConfigOptionsFile, file);
    for (const std::string& text : {std::string(2000, 'x'), std::string(1997, 'x') + "%A%%A%"}) {
        write_file(file, text);
        StreamCapture err(2, dir_ / "err");
        EXPECT_FALSE(add_vm_options_from_file());
        EXPECT_EQ(as_written("Can't launch: '" + file + "' is too long\n"), err.finish());
    }
}

TEST_F(Settings, StartUpCacheOptionsFollowTheRuntimeAndTheFilesThere) {
    const std::string program = dir_ / "game.exe";
    write_file(program, "program bytes");
    const std::string cache_dir = dir_ / "cache";
    strings_.set_string(kConfigStartupCache, "%EXEDIR%" + std::string(1, kNativeSeparator) + "cache#");
    strcpy(runtime_release.version, "25.0.3+9-LTS");

    const struct {
        int family;
        bool cache_exists;
        std::vector<std::string> expected;  // %F: the cache file
    } cases[] = {
        {17, false, {}},
        {21, false, {"-XX:+AutoCreateSharedArchive", "-XX:SharedArchiveFile=%F", "-Xlog:cds*=off"}},
        {25,
         false,
         {"-XX:+UnlockDiagnosticVMOptions", "-XX:-DisplayVMOutput", "-XX:AOTCacheOutput=%F",
          "-Xlog:aot*=off,cds*=off"}},
        {25, true, {"-XX:AOTCache=%F", "-Xlog:aot*=off,cds*=off"}},
    };
    for (const auto& c : cases) {
        runtime_release.family = c.family;
        // An older cache of this program, and a file of another program.
        make_dir(cache_dir);
        const std::string older = cache_dir + kNativeSeparator + "game_24.0.1_d_0.aot";
        const std::string other = cache_dir + kNativeSeparator + "game_x_25.0.3_d_0.aot";
        write_file(older, "old");
        write_file(other, "other's");
        if (c.cache_exists) {  // made by an earlier start
            ASSERT_TRUE(add_startup_cache_options(program.c_str()));
            write_file(file_under(cache_dir, options()), "cache");
            start_new_option_list();
        }
        ASSERT_TRUE(add_startup_cache_options(program.c_str()));
        const std::string file = file_under(cache_dir, options());
        std::vector<std::string> expected = c.expected;
        for (std::string& e : expected)
            if (e.find("%F") != std::string::npos) e.replace(e.find("%F"), 2, file);
        EXPECT_EQ(expected, options()) << c.family;
        if (c.family >= 19) {
            EXPECT_EQ(cache_dir + kNativeSeparator + "game_25.0.3+9-LTS_d_", file.substr(0, file.rfind('_') + 1))
                << "the name holds the program, the runtime's version and the program's size";
            EXPECT_EQ(c.family >= 25 ? "aot" : "jsa", file.substr(file.rfind('.') + 1)) << c.family;
            EXPECT_FALSE(file_exists(older)) << c.family;
        }
        EXPECT_TRUE(file_exists(other)) << c.family;
        start_new_option_list();
    }
}

TEST_F(Settings, AStartUpCacheThatCannotBeMadeIsLeftOutSilently) {
    const std::string program = dir_ / "game.exe";
    write_file(program, "program bytes");
    write_file(dir_ / "file", "a file where the directory would be");
    strings_.set_string(kConfigStartupCache, dir_ / "file");
    runtime_release.family = 25;
    StreamCapture err(2, dir_ / "err");
    EXPECT_TRUE(add_startup_cache_options(program.c_str()));
    EXPECT_EQ("", err.finish());
    EXPECT_TRUE(options().empty());
}

TEST(SingleInstance, TheSecondHolderOfANameIsRefused) {
#ifndef _WIN32
    ScratchDir dir;
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);  // the lock files go there
#endif
    const std::string name = "vandrel-unit-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                             std::to_string(reinterpret_cast<uintptr_t>(&name));
    EXPECT_EQ(1, platform.hold_instance_lock(name.c_str()));
    EXPECT_EQ(0, platform.hold_instance_lock(name.c_str()));
    EXPECT_EQ(1, platform.hold_instance_lock((name + "-other").c_str()));
}

}  // namespace
