// The settings that travel with a program, over the platform table: references
// in values, version markers on option lines, the options file, the start-up
// cache's options and files, and the single-instance lock.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "settings/config.h"
#include "vm/command_line.h"
#include "settings/expansion.h"
#include "settings/option_markers.h"
#include "settings/options_file.h"
#include "runtime/runtime_release.h"
#include "settings/startup_cache.h"
#include "support/capture.h"
#include "support/files.h"
#include "support/platform_fakes.h"
#include "vm/vm_options.h"

#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#else
#include <unistd.h>
#endif

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
    // The program game.exe, about to start on Java `family` (25.0.3 as its
    // version); its name.
    std::string game_on_java(int family) {
        const std::string program = dir_ / "game.exe";
        write_file(program, "program bytes");
        strcpy(runtime_release.version, "25.0.3+9-LTS");
        runtime_release.family = family;
        return program;
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

// The 32-bit Windows launcher keeps no start-up cache: value 13 gives no
// option and no folder there, whatever the runtime.
#define SKIP_WITHOUT_STARTUP_CACHE() \
    if (!kMakesStartupCache) GTEST_SKIP() << "the 32-bit Windows launcher keeps no start-up cache"

TEST_F(Settings, StartUpCacheOptionsFollowTheRuntimeAndTheFilesThere) {
    const std::string program = game_on_java(0);
    const std::string cache_dir = dir_ / "cache";
    strings_.set_string(kConfigStartupCache, "%EXEDIR%" + std::string(1, kNativeSeparator) + "cache#");
    if (!kMakesStartupCache) {
        for (int family : {21, 25}) {
            runtime_release.family = family;
            EXPECT_TRUE(add_startup_cache_options(program.c_str()));
            EXPECT_TRUE(options().empty()) << family;
            EXPECT_FALSE(std::filesystem::exists(cache_dir)) << family;
        }
        return;
    }

    const struct {
        int family;
        bool cache_exists;
        std::vector<std::string> expected;  // %F: the cache file
    } cases[] = {
        {17, false, {}},
        {21, false, {"-XX:+AutoCreateSharedArchive", "-XX:SharedArchiveFile=%F.jsa", "-Xlog:cds*=off"}},
        {25,
         false,
         {"vfprintf", "abort", "-XX:AOTMode=record", "-XX:AOTConfiguration=%F.aotconf", "-Xlog:aot*=off,cds*=off"}},
        {25, true, {"-XX:AOTCache=%F.aot", "-Xlog:aot*=off,cds*=off"}},
    };
    for (const auto& c : cases) {
        runtime_release.family = c.family;
        std::filesystem::remove_all(cache_dir);
        ASSERT_TRUE(add_startup_cache_options(program.c_str()));  // makes the folder
        if (c.family < 19) {
            EXPECT_TRUE(options().empty());
            continue;
        }
        const std::string base =
            file_under(cache_dir, options()).substr(0, file_under(cache_dir, options()).rfind('.'));
        start_new_option_list();
        // Another cache of this program; the user's files, and another program's cache.
        const std::string sep(1, kNativeSeparator);
        const std::string older = cache_dir + sep + "game_24.0.1_d_00000000000000ff.aot";
        const std::string kept[] = {cache_dir + sep + "game_save_slot_3.dat",
                                    cache_dir + sep + "game_2024_q1_report.txt",
                                    cache_dir + sep + "game_x_25.0.3_d_00000000000000ff.aot"};
        for (const std::string& f : kept) write_file(f, "the user's");
        write_file(older, "old");
        std::filesystem::permissions(older, std::filesystem::perms::owner_read);  // as the VM writes caches
        std::filesystem::remove(base + ".try");                                   // the first call's attempt
        if (c.cache_exists) write_file(base + ".aot", "cache");
        ASSERT_TRUE(add_startup_cache_options(program.c_str()));
        std::vector<std::string> expected = c.expected;
        for (std::string& e : expected)
            if (e.find("%F") != std::string::npos) e.replace(e.find("%F"), 2, base);
        EXPECT_EQ(expected, options()) << c.family;
        EXPECT_EQ(cache_dir + sep + "game_25.0.3+9-LTS_d_", base.substr(0, base.rfind('_') + 1))
            << "the name holds the program, the runtime's version and the program's size";
        EXPECT_FALSE(file_exists(older)) << c.family;
        for (const std::string& f : kept) EXPECT_TRUE(file_exists(f)) << c.family << " " << f;
        start_new_option_list();
    }
}

unsigned long long no_free_space(const char*) { return 0; }

// Each case: value 13, what the case does to the folder ("dir") or the cache
// ("cache", Java 25) before the start; no cache options follow.
TEST_F(Settings, AStartUpCacheIsLeftOutSilentlyUnlessTrusted) {
    SKIP_WITHOUT_STARTUP_CACHE();
    const std::string program = game_on_java(25);
    const std::string sep(1, kNativeSeparator);
    const std::string cache_dir = dir_ / "cache";
    const std::string absolute = "%EXEDIR%" + sep + "cache";
    struct Case {
        const char* name;
        std::string folder;
        std::string shell;  // run in the folder with $C the cache file (POSIX)
        const char* vm_option;
    } cases[] = {
        {"relative folder", "cache", "", nullptr},
        {"a reference that names nothing", "%NOPE%" + sep + "cache", "", nullptr},
        {"a file where the folder would be", dir_ / "file", "", nullptr},
        {"-Xshare:off in value 5", absolute, "", "-Xshare:off"},
        {"-XX:SharedArchiveFile in the options file", absolute, "", "-XX:SharedArchiveFile=x.jsa"},
        {"-XX:AOTCache of the program's own", absolute, "", "-XX:AOTCacheOutput=x.aot"},
#ifndef _WIN32
        {"folder writable by the group", absolute, "chmod 770 .", nullptr},
        {"folder through a symbolic link", absolute, "mv ../cache ../real && ln -s real ../cache", nullptr},
        {"folder of another user", absolute, "chown 4321 .", nullptr},
        {"cache writable by others", absolute, "touch $C.aot && chmod 666 $C.aot", nullptr},
        {"cache of another user", absolute, "touch $C.aot && chown 4321 $C.aot", nullptr},
        {"cache is a symbolic link", absolute, "touch ../mine && ln -s ../mine $C.aot", nullptr},
        {"cache is a FIFO", absolute, "mkfifo $C.aot", nullptr},
#endif
    };
    write_file(dir_ / "file", "a file where the folder would be");
    for (const Case& c : cases) {
        std::filesystem::remove_all(cache_dir);
        std::filesystem::remove_all(dir_ / "real");
        strings_.set_string(kConfigStartupCache, absolute);
        ASSERT_TRUE(add_startup_cache_options(program.c_str()));  // the folder made, as a first start makes it
        std::string base = file_under(cache_dir, options());
        base = base.substr(0, base.rfind('.'));
        std::filesystem::remove(base + ".try");
        start_new_option_list();
        if (!c.shell.empty()) {
            ASSERT_EQ(0, std::system(("cd '" + cache_dir + "' && C='" + base + "' && " + c.shell).c_str())) << c.name;
        }
        if (c.vm_option != nullptr) add_vm_option(const_cast<char*>(c.vm_option), nullptr);
        strings_.set_string(kConfigStartupCache, c.folder);
        StreamCapture err(2, dir_ / "err");
        EXPECT_TRUE(add_startup_cache_options(program.c_str())) << c.name;
        EXPECT_EQ("", err.finish()) << c.name;
        EXPECT_EQ(c.vm_option ? 1 : 0, vm_option_list.count) << c.name << ": " << testing::PrintToString(options());
        EXPECT_FALSE(file_exists(dir_ / "%NOPE%")) << c.name;
        start_new_option_list();
    }
}

// No room: no attempt. An attempt that gave no cache: 16 starts without one.
TEST_F(Settings, AStartUpCacheWaitsAfterAnAttemptThatGaveNone) {
    SKIP_WITHOUT_STARTUP_CACHE();
    const std::string program = game_on_java(25);
    strings_.set_string(kConfigStartupCache, "%EXEDIR%" + std::string(1, kNativeSeparator) + "cache");
    const auto real_free_space = platform.free_space;
    platform.free_space = no_free_space;
    EXPECT_TRUE(add_startup_cache_options(program.c_str()));
    EXPECT_TRUE(options().empty());
    platform.free_space = real_free_space;
    ASSERT_TRUE(add_startup_cache_options(program.c_str()));
    ASSERT_EQ(5u, options().size()) << "records";
    for (int start = 1; start <= 17; ++start) {
        start_new_option_list();
        EXPECT_TRUE(add_startup_cache_options(program.c_str()));
        EXPECT_EQ(start == 17 ? 5u : 0u, options().size()) << "start " << start << " after the attempt";
    }
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

#ifdef _WIN32
// Adds to the access list of `path` an entry of `rights` for the well-known
// group `group`.
bool grant(const std::string& path, WELL_KNOWN_SID_TYPE group, DWORD rights) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    PACL old_list = nullptr, new_list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!CreateWellKnownSid(group, nullptr, sid, &size) ||
        GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &old_list,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    EXPLICIT_ACCESSA access = {};
    access.grfAccessPermissions = rights;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.ptstrName = reinterpret_cast<char*>(sid);
    bool set = SetEntriesInAclA(1, &access, old_list, &new_list) == ERROR_SUCCESS &&
               SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                     nullptr, nullptr, new_list, nullptr) == ERROR_SUCCESS;
    LocalFree(new_list);
    LocalFree(descriptor);
    return set;
}

// The access lists is_private reads, set through the API. Wine keeps a
// folder's access list as its Unix mode: entries for the owner, SYSTEM and
// Everyone alone, so only Everyone's rows can be told apart there; the other
// groups are refused by the same table on Windows.
TEST(CacheTrust, AFolderIsPrivateUntilAnotherGroupMayWriteThere) {
    SKIP_WITHOUT_STARTUP_CACHE();
    ScratchDir dir;
    const struct {
        const char* name;
        WELL_KNOWN_SID_TYPE group;
        DWORD rights;
        bool is_private;
    } cases[] = {
        {"as made", WinBuiltinAdministratorsSid, GENERIC_READ, true},
        {"Everyone may read", WinWorldSid, GENERIC_READ | GENERIC_EXECUTE, true},
        {"Everyone may add files", WinWorldSid, FILE_WRITE_DATA, false},
        {"Everyone has full control", WinWorldSid, GENERIC_ALL, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string folder = dir.path() + "\\f" + std::to_string(n++);
        ASSERT_TRUE(platform.make_private_directory(folder.c_str())) << c.name;
        ASSERT_TRUE(grant(folder, c.group, c.rights)) << c.name;
        EXPECT_EQ(c.is_private, platform.is_private(folder.c_str(), true)) << c.name;
        EXPECT_FALSE(platform.is_private(folder.c_str(), false)) << c.name << ": a folder is no file";
    }
    const std::string file = dir.path() + "\\f0\\cache.aot";
    write_file(file, "cache");
    EXPECT_TRUE(platform.is_private(file.c_str(), false)) << "a file made in a private folder";
}
#endif

// Starts argv[0] detached, with the command line the launcher writes for it.
bool start_detached(const char* const* argv, int argc) {
    char* const* vector = const_cast<char* const*>(argv);
    char* line = windows_command_line(argc, vector);
    bool started = platform.start_detached_process(argv[0], vector, line);
    free(line);
    return started;
}

// The process that assembles a cache: started with its arguments, not waited
// for; on POSIX at the lowest priority with its streams on the null device.
TEST(CacheBackground, ADetachedProcessRunsWithItsArguments) {
    SKIP_WITHOUT_STARTUP_CACHE();
    ScratchDir dir;
    std::string seen;
#ifdef _WIN32
    const char* const argv[] = {"C:\\windows\\system32\\reg.exe",
                                "add",
                                "HKCU\\Software\\VandrelDetachedTest",
                                "/v",
                                "started",
                                "/d",
                                "yes",
                                "/f",
                                nullptr};
    ASSERT_TRUE(start_detached(argv, 8));
    for (int i = 0; i < 200 && seen.empty(); ++i, Sleep(100)) {
        char value[16];
        DWORD size = sizeof value;
        if (RegGetValueA(HKEY_CURRENT_USER, "Software\\VandrelDetachedTest", "started", RRF_RT_REG_SZ, nullptr, value,
                         &size) == ERROR_SUCCESS)
            seen = value;
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VandrelDetachedTest");
    EXPECT_EQ("yes", seen);
#else
    const std::string file = dir / "seen";
    const std::string script =
        "echo \"$(nice) $(readlink /proc/$$/fd/1)\" >" + file + ".part && mv " + file + ".part " + file;
    const char* const argv[] = {"/bin/sh", "-c", script.c_str(), nullptr};
    ASSERT_TRUE(start_detached(argv, 3));
    for (int i = 0; i < 200 && !file_exists(file); ++i) usleep(100000);
    EXPECT_EQ("19 /dev/null\n", file_exists(file) ? read_file(file) : "");
#endif
}
