// The search for a Java runtime beyond the legacy key, against scripted
// machines: each row is a machine's registry keys, its runtimes on disk (a
// library with a PE header of some machine type, perhaps a release file, perhaps
// java on PATH), its environment and configuration, and the runtime the
// launcher must choose or what it must print. Paths are written with "/" and
// PATH with ";", and read with this platform's separators.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/config.h"
#include "base/diagnostics.h"
#include "runtime/runtime.h"
#include "runtime_capture.h"
#include "runtime/runtime_search.h"
#include "support/capture.h"
#include "support/files.h"
#include "support/pe_builder.h"
#include "support/platform_fakes.h"

namespace {

const unsigned k32 = 0x014C;
const unsigned k64 = 0x8664;
const char kLegacy[] = "Software\\JavaSoft\\Java Runtime Environment";
const char kNoRuntime[] = "Install Java.\n";
const char kBadVersion[] = "Java %s will not do.\n";

struct Key {
    std::string path;  // root and view first: HKLM32, HKLM64, HKCU32 or HKCU64
    const char* name;
    std::string value;
    unsigned long type = kRegistryTypeText;
};

struct Runtime {
    std::string home;
    unsigned machine;
    const char* release;  // JAVA_VERSION, or null for no release file
    int place;            // index into kLibrariesUnderJavaHome; -1 for no library
    bool java_program;    // bin/java.exe exists
};

struct Machine {
    const char* name;
    unsigned launcher;
    std::vector<Key> keys;
    std::vector<Runtime> runtimes;
    const char* java_home;          // null: unset
    const char* path;               // null: unset
    const char* minimum;            // value 3, null when blank
    const char* maximum;            // value 4
    int chosen;                     // index into runtimes, or -1
    const char* library = nullptr;  // when chosen is -1 and a library is taken all the same
    const char* errors = nullptr;   // what is printed when nothing is chosen
    bool value_9_blank = false;
};

// "/" becomes this platform's separator and "java.exe" its java program; on
// POSIX the drive "C:" goes.
std::string native(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (kPathSeparator == '/' && text.compare(i, 3, "C:/") == 0)
            ++i;
        else
            out += text[i] == '/' ? kPathSeparator : text[i];
    }
    size_t exe = out.find("java.exe");
    if (exe != std::string::npos) out.replace(exe, 8, std::string("java") + kExecutableSuffix);
    return out;
}

std::string library_of(const Runtime& r) { return native(r.home) + kPathSeparator + kLibrariesUnderJavaHome[r.place]; }

// As native(); "home|N" names the library at place N under home.
std::string native_library(const std::string& text) {
    size_t bar = text.find('|');
    if (bar == std::string::npos) return native(text);
    return library_of({text.substr(0, bar), 0, nullptr, std::stoi(text.substr(bar + 1)), false});
}

std::string pe_image(unsigned machine) {
    pe_builder::Bytes image = pe_builder::machine_stub(uint16_t(machine));
    return std::string(image.begin(), image.end());
}

class RuntimeSearchTest : public ::testing::Test {
  protected:
    RuntimeSearchTest() {
        machine_.script_strings(false);
        machine_.script_environment();
        machine_.script_registry();
        machine_.script_files();
        machine_.set_well_known_home(nullptr);
        machine_.module_file = native("C:/Apps/game.exe");
    }

    void set_up(const Machine& m) {
        machine_.keys.clear();
        machine_.files.clear();
        machine_.environment = {{"SystemRoot", native("C:/Windows")}, {"ProgramFiles", native("C:/Program Files")}};
        machine_.own_view = m.launcher == k32 ? "32" : "64";
        machine_.files[native("C:/Apps/game.exe")] = pe_image(m.launcher);
        for (const Key& k : m.keys) {
            std::string value = strcmp(k.name, "CurrentVersion") == 0 ? k.value : native_library(k.value);
            machine_.keys[k.path][k.name] = {k.type, value + std::string(1, '\0')};
        }
        for (const Runtime& r : m.runtimes) {
            if (r.place >= 0) machine_.files[library_of(r)] = pe_image(r.machine);
            if (r.release)
                machine_.files[native(r.home) + kPathSeparator + "release"] =
                    std::string("IMPLEMENTOR=\"x\"\nJAVA_VERSION=\"") + r.release + "\"\n";
            if (r.java_program) machine_.files[native(r.home + "/bin/java.exe")] = "";
        }
        if (m.java_home) machine_.environment["JAVA_HOME"] = native(m.java_home);
        if (m.path) {
            std::string path = native(m.path);
            for (char& c : path)
                if (c == ';') c = kPathListSeparator;
            machine_.environment["PATH"] = path;
        }
        machine_.set_string(kConfigNoRuntimeMessage, kNoRuntime);
        machine_.set_optional_string(kConfigBadVersionMessage, m.value_9_blank ? nullptr : kBadVersion);
        machine_.set_optional_string(kConfigMinVersion, m.minimum);
        machine_.set_optional_string(kConfigMaxVersion, m.maximum);
    }

    ScriptedPlatform machine_;
};

// A machine crowded with keys: stale ones naming homes that are gone and
// one runtime registered many times over, in both views, before the
// installed runtimes; with `runtimes` more installed runtimes besides.
Machine crowded(const char* name, int runtimes, const char* java_home, int chosen) {
    Machine m = {name, k64, {}, {}, java_home, nullptr, nullptr, nullptr, chosen};
    for (int n = 1; n <= 60; ++n)
        for (const char* root : {"HKCU32", "HKCU64"}) {
            m.keys.push_back({std::string(root) + "\\Software\\JavaSoft\\JDK\\" + std::to_string(n), "JavaHome",
                              "C:/Gone/jdk-" + std::to_string(n)});
            m.keys.push_back({std::string(root) + "\\Software\\JavaSoft\\JRE\\1" + std::to_string(n), "RuntimeLib",
                              "C:/Java/jre-11|0"});
        }
    m.runtimes.push_back({"C:/Java/jre-11", k64, "11.0.2", 0, false});
    m.runtimes.push_back({"C:/Temurin/jdk-21", k64, "21.0.1", 0, false});
    m.keys.push_back({"HKLM64\\Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "Path", "C:/Temurin/jdk-21"});
    m.runtimes.push_back({"C:/Work/jdk-17", k64, "17.0.9", 0, false});
    for (int n = 0; n < runtimes; ++n) {
        std::string home = "C:/Java/jdk-17." + std::to_string(n);
        m.keys.push_back({"HKLM64\\Software\\JavaSoft\\JDK\\17." + std::to_string(n), "JavaHome", home});
        m.runtimes.push_back({home, k64, "17.0.1", 0, false});
    }
    return m;
}

const char kTemurinKey[] = "Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI";

const std::string kLongHome = "C:/Work/" + std::string(300, 'j');

// One row a line.
// clang-format off
const std::vector<Machine> kMachines = {
    {"default Temurin MSI install, vendor key only", k64, {{"HKLM64\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Program Files/Temurin/jdk-17"}}, {{"C:/Program Files/Temurin/jdk-17", k64, "17.0.9", 0, false}}, nullptr, nullptr, nullptr, nullptr, 0},
    {"32-bit runtime registered in the 64-bit view by an EXE package", k32, {{"HKLM64\\Software\\Eclipse Adoptium\\JRE\\11.0.21.9\\hotspot\\EXE", "Path", "C:/Program Files/Temurin/jre-11"}}, {{"C:/Program Files/Temurin/jre-11", k32, nullptr, 1, false}}, nullptr, nullptr, "11", nullptr, 0},
    {"Microsoft's layout", k64, {{"HKLM64\\Software\\Microsoft\\JDK\\21.0.1.12\\hotspot\\MSI", "Path", "C:/Program Files/Microsoft/jdk-21"}}, {{"C:/Program Files/Microsoft/jdk-21", k64, "21.0.1", 0, false}}, nullptr, nullptr, nullptr, nullptr, 0},
    {"Zulu, version from the key name", k64, {{"HKLM64\\Software\\Azul Systems\\Zulu\\zulu-17", "InstallationPath", "C:/Program Files/Zulu/zulu-17/"}}, {{"C:/Program Files/Zulu/zulu-17", k64, nullptr, 0, false}}, nullptr, nullptr, "11", "17", 0},
    {"Zulu 32-bit 8 beside a 64-bit 17, for the win32 launcher", k32, {{"HKLM32\\Software\\Azul Systems\\Zulu 32-bit\\zulu-8-jre", "InstallationPath", "C:/Zulu/zulu-8-jre"}, {"HKLM64\\Software\\Azul Systems\\Zulu\\zulu-17", "InstallationPath", "C:/Zulu/zulu-17"}}, {{"C:/Zulu/zulu-8-jre", k32, nullptr, 3, false}, {"C:/Zulu/zulu-17", k64, nullptr, 0, false}}, nullptr, nullptr, nullptr, "1.8", 0},
    {"Liberica and SapMachine: the higher version", k64, {{"HKLM64\\Software\\BellSoft\\Liberica\\jdk-17", "InstallationPath", "C:/Liberica/jdk-17"}, {"HKLM64\\Software\\SapMachine\\JDK\\21", "JavaHome", "C:/SapMachine/jdk-21"}}, {{"C:/Liberica/jdk-17", k64, "17.0.2", 0, false}, {"C:/SapMachine/jdk-21", k64, "21", 0, false}}, nullptr, nullptr, nullptr, nullptr, 1},
    {"every version subkey of the JDK key, not only CurrentVersion", k64, {{"HKLM64\\Software\\JavaSoft\\JDK", "CurrentVersion", "17"}, {"HKLM64\\Software\\JavaSoft\\JDK\\17", "JavaHome", "C:/Java/jdk-17"}, {"HKLM64\\Software\\JavaSoft\\JDK\\21", "RuntimeLib", "C:/Java/jdk-21|0"}}, {{"C:/Java/jdk-17", k64, "17.0.2", 0, false}, {"C:/Java/jdk-21", k64, "21.0.1", 0, false}}, nullptr, nullptr, "11", nullptr, 1},
    {"per-user install", k64, {{"HKCU64\\Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "Path", "C:/Users/Ana/jdk-21"}}, {{"C:/Users/Ana/jdk-21", k64, "21.0.1", 0, false}}, nullptr, nullptr, nullptr, nullptr, 0},
    {"java on PATH only, past the forwarding stub and the Windows directory", k32, {}, {{"C:/ProgramData/Oracle/Java/javapath", k32, "21", 1, true}, {"C:/Windows", k32, "21", 1, true}, {"C:/Tools/jdk-11", k32, "11.0.2", 1, true}}, nullptr, "C:/Windows/bin;C:/ProgramData/Oracle/Java/javapath/bin;\"C:/Tools/jdk-11/bin\";C:/Missing/bin", nullptr, nullptr, 2},
    {"legacy 1.8 beside a vendor 17 with value 3 = 11", k64, {{"HKLM64\\Software\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.8"}, {"HKLM64\\Software\\JavaSoft\\Java Runtime Environment\\1.8", "RuntimeLib", "C:/Java/jre1.8|0"}, {"HKLM64\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Temurin/jdk-17"}}, {{"C:/Java/jre1.8", k64, "1.8.0_392", 0, false}, {"C:/Temurin/jdk-17", k64, "17.0.9", 0, false}}, nullptr, nullptr, "11", nullptr, 1},
    {"legacy 1.8 in range is taken as before", k64, {{"HKLM64\\Software\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.8"}, {"HKLM64\\Software\\JavaSoft\\Java Runtime Environment\\1.8", "RuntimeLib", "C:/Java/jre1.8|0"}, {"HKLM64\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Temurin/jdk-17"}}, {{"C:/Java/jre1.8", k64, "1.8.0_392", 0, false}, {"C:/Temurin/jdk-17", k64, "17.0.9", 0, false}}, nullptr, nullptr, nullptr, nullptr, 0},
    {"only a 64-bit runtime for the win32 launcher", k32, {{"HKLM64\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Program Files/Temurin/jdk-17"}}, {{"C:/Program Files/Temurin/jdk-17", k64, "17.0.9", 0, false}}, nullptr, nullptr, nullptr, nullptr, -1, nullptr, "Found only a 64-bit Java runtime, version 17, in 'C:/Program Files/Temurin/jdk-17'; " "this program needs a 32-bit Java runtime.\n"},
    {"none in range: value 9 with the highest version found", k64, {{"HKLM64\\Software\\JavaSoft\\JDK\\11", "JavaHome", "C:/Java/jdk-11"}, {"HKLM64\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Temurin/jdk-17"}}, {{"C:/Java/jdk-11", k64, "11.0.2", 0, false}, {"C:/Temurin/jdk-17", k64, "17.0.9", 0, false}}, nullptr, nullptr, "21", nullptr, -1, nullptr, "Java 17 will not do.\nThis program runs on Java 21 or later.\n"},
    {"legacy 1.8 outside the range and nothing else: value 9 as before", k32, {{"HKLM32\\Software\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.8"}, {"HKLM32\\Software\\JavaSoft\\Java Runtime Environment\\1.8", "RuntimeLib", "C:/Java/jre1.8|1"}}, {{"C:/Java/jre1.8", k32, "1.8.0_392", 1, false}}, nullptr, nullptr, "11", nullptr, -1, nullptr, "Java 1.8 will not do.\nThis program runs on Java 11 or later.\n"},
    {"JAVA_HOME is the user's choice over a higher version", k64, {{"HKLM64\\Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "Path", "C:/Temurin/jdk-21"}}, {{"C:/Temurin/jdk-21", k64, "21.0.1", 0, false}, {"C:/Work/jdk-17", k64, "17.0.9", 0, false}}, "C:/Work/jdk-17/", nullptr, nullptr, nullptr, 1},
    {"JAVA_HOME outside the range gives way", k64, {{"HKLM64\\Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "Path", "C:/Temurin/jdk-21"}}, {{"C:/Temurin/jdk-21", k64, "21.0.1", 0, false}, {"C:/Work/jdk-17", k64, "17.0.9", 0, false}}, "C:/Work/jdk-17", nullptr, "21", nullptr, 0},
    {"JAVA_HOME naming a registered runtime keeps its say", k64, {{"HKLM64\\Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "Path", "C:/Temurin/jdk-21"}, {"HKLM64\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Temurin/jdk-17"}}, {{"C:/Temurin/jdk-21", k64, "21.0.1", 0, false}, {"C:/Temurin/jdk-17", k64, "17.0.9", 0, false}}, "C:/Temurin/jdk-17", nullptr, nullptr, nullptr, 1},
    {"equal versions: the earlier layout", k64, {{"HKLM64\\Software\\BellSoft\\Liberica\\jdk-17", "InstallationPath", "C:/Liberica/jdk-17"}, {"HKCU64\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Temurin/jdk-17"}}, {{"C:/Liberica/jdk-17", k64, "17.0.2", 0, false}, {"C:/Temurin/jdk-17", k64, "17.0.9", 0, false}}, nullptr, nullptr, nullptr, nullptr, 1},
    {"without value 9 the range has no effect", k64, {{"HKLM64\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Temurin/jdk-17"}}, {{"C:/Temurin/jdk-17", k64, "17.0.9", 0, false}}, nullptr, nullptr, "21", nullptr, -1, "C:/Temurin/jdk-17|0", nullptr, true},
    {"a key naming a home without a library", k64, {{"HKLM64\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Gone/jdk-17"}}, {{"C:/Gone/jdk-17", k64, "17.0.9", -1, false}}, nullptr, nullptr, nullptr, nullptr, -1, nullptr, kNoRuntime},
    {"broken legacy key and nothing else: its messages", k64, {{"HKLM64\\Software\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.8"}}, {}, nullptr, nullptr, nullptr, nullptr, -1, nullptr, "Could not find the Java Runtime Environment.\n" "No recognized versions in: 'Software\\JavaSoft\\Java Runtime Environment\\'\n"},
    {"broken legacy key beside a vendor runtime", k64, {{"HKLM64\\Software\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.8"}, {"HKLM64\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Temurin/jdk-17"}}, {{"C:/Temurin/jdk-17", k64, "17.0.9", 0, false}}, nullptr, nullptr, nullptr, nullptr, 0},
    {"legacy RuntimeLib naming no file and nothing else", k64, {{"HKLM64\\Software\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.8"}, {"HKLM64\\Software\\JavaSoft\\Java Runtime Environment\\1.8", "RuntimeLib", "C:/Gone/jvm.dll"}}, {}, nullptr, nullptr, nullptr, nullptr, -1, nullptr, "Error loading: C:/Gone/jvm.dll\n"},
    {"legacy RuntimeLib naming no file beside JAVA_HOME", k64, {{"HKLM64\\Software\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.8"}, {"HKLM64\\Software\\JavaSoft\\Java Runtime Environment\\1.8", "RuntimeLib", "C:/Gone/jvm.dll"}}, {{"C:/Work/jdk-17", k64, nullptr, 2, false}}, "C:/Work/jdk-17", nullptr, nullptr, nullptr, 0},
    {"a bound that is no version", k64, {{"HKLM64\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Temurin/jdk-17"}}, {{"C:/Temurin/jdk-17", k64, "17.0.9", 0, false}}, nullptr, nullptr, "1.10", nullptr, -1, nullptr, "Unrecognized minimum major version: 1.10"},
    {"version unknown with a range set", k64, {}, {{"C:/Work/jdk", k64, nullptr, 0, false}}, "C:/Work/jdk", nullptr, "11", nullptr, -1, nullptr, "Java unknown will not do.\nThis program runs on Java 11 or later.\n"},
    {"nothing at all", k32, {}, {}, nullptr, "C:/Windows/system32", nullptr, nullptr, -1, nullptr, kNoRuntime},
    crowded("stale keys and one runtime registered many times take no place", 0, nullptr, 1),
    crowded("the limit never hides JAVA_HOME", 50, "C:/Work/jdk-17", 2),
    {"relative PATH entries name folders of the current directory: skipped", k64, {}, {{"jdk", k64, "21", 0, true}, {"C:/Tools/jdk-11", k64, "11.0.2", 0, true}}, nullptr, "jdk/bin;\"./jdk/bin\";C:/Tools/jdk-11/bin", nullptr, nullptr, 1},
    {"a 64-bit 1.8 registered only under the legacy key, for the win32 launcher", k32, {{"HKLM64\\Software\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.8"}, {"HKLM64\\Software\\JavaSoft\\Java Runtime Environment\\1.8", "RuntimeLib", "C:/Java/jre1.8|0"}}, {{"C:/Java/jre1.8", k64, "1.8.0_392", 0, false}}, nullptr, nullptr, nullptr, nullptr, -1, nullptr, "Found only a 64-bit Java runtime, version 1.8, in 'C:/Java/jre1.8'; this program needs a 32-bit Java runtime.\n"},
    {"a RuntimeLib stored as expandable text", k64, {{"HKLM64\\Software\\JavaSoft\\JRE\\17", "RuntimeLib", "%ProgramFiles%/Java/jre-17|0", kRegistryTypeExpandableText}}, {{"C:/Program Files/Java/jre-17", k64, "17.0.2", 0, false}}, nullptr, nullptr, "11", nullptr, 0},
    {"a JAVA_HOME longer than 259 bytes: taken where paths are longer", k64, {}, {{kLongHome, k64, "17.0.9", 0, false}}, kLongHome.c_str(), nullptr, nullptr, nullptr, kPathSeparator == '/' ? 0 : -1, nullptr, kNoRuntime},
};
// clang-format on

TEST_F(RuntimeSearchTest, ChoosesTheRuntimeOfEachMachine) {
    for (const Machine& m : kMachines) {
        SCOPED_TRACE(m.name);
        set_up(m);
        FoundRuntime o = find_runtime_captured(kSystemPathCapacity);
        EXPECT_EQ("", o.output);
        EXPECT_EQ(machine_.opened, machine_.closed) << "registry keys left open";
        if (m.chosen >= 0 || m.library) {
            std::string expected = m.chosen >= 0 ? library_of(m.runtimes[m.chosen]) : native_library(m.library);
            EXPECT_TRUE(o.result) << o.errors;
            EXPECT_EQ(expected, o.path);
            EXPECT_EQ("", o.errors);
        } else {
            EXPECT_FALSE(o.result) << o.path;
            EXPECT_EQ(as_written(native(m.errors)), o.errors);
        }
    }
}

TEST_F(RuntimeSearchTest, TraceShowsEachRuntimeOnlyBeyondTheLegacyKey) {
    debug_trace = true;
    set_up(kMachines[10]);  // the legacy 1.8 is taken: no new lines
    FoundRuntime o = find_runtime_captured(kSystemPathCapacity);
    EXPECT_TRUE(o.result);
    EXPECT_EQ("", o.output);

    Machine m = kMachines[9];  // the vendor 17 is taken over the legacy 1.8
    m.keys.push_back({"HKLM32\\Software\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:/Temurin/jdk-17"});
    m.runtimes.push_back({"C:/Zulu/zulu-21", k32, "21.0.1", 0, false});
    m.keys.push_back({"HKLM32\\Software\\Azul Systems\\Zulu\\zulu-21", "InstallationPath", "C:/Zulu/zulu-21"});
    set_up(m);
    o = find_runtime_captured(kSystemPathCapacity);
    debug_trace = false;
    std::string library = library_of(m.runtimes[1]);
    std::string zulu = library_of(m.runtimes[2]);
    // The scripted machine's views are its launcher's (here a 64-bit one's),
    // and this build reads them in its own view and the other: Zulu's key,
    // in the machine's 32-bit view, is what a 32-bit build reads in its
    // 64-bit view. (The Temurin key is in both views.)
    std::string zulu_view = kOwnRegistryView == kRegistryView64 ? "32-bit view" : "64-bit view";
    EXPECT_EQ(
        as_written("Java runtime from HKEY_LOCAL_MACHINE\\" + std::string(kTemurinKey) + " (32-bit view): '" + library +
                   "', version 17, 64-bit: taken\n"
                   "Java runtime from HKEY_LOCAL_MACHINE\\" +
                   kTemurinKey + " (64-bit view): '" + library +
                   "', version 17, 64-bit: refused, found before\n"
                   "Java runtime from HKEY_LOCAL_MACHINE\\Software\\Azul Systems\\Zulu\\zulu-21 (" + zulu_view +
                   "): '" + zulu + "', version 21, 32-bit: refused, wrong machine type\n"),
        o.output);
}

TEST_F(RuntimeSearchTest, TraceNamesAJavaHomeTooLongForThisSystem) {
    const Machine& m = kMachines.back();
    ASSERT_EQ(kLongHome, m.runtimes[0].home);
    set_up(m);
    debug_trace = true;
    FoundRuntime o = find_runtime_captured(kSystemPathCapacity);
    debug_trace = false;
    // Taken where paths are that long, silently as the default runtime.
    if (kPathSeparator == '/')
        EXPECT_EQ("", o.output);
    else
        EXPECT_EQ(as_written("Java runtime from JAVA_HOME: '" + native(kLongHome) +
                             "', version unknown, no library: refused, the path is too long\n"),
                  o.output);
}

TEST(MachineType, ReadFromPeAndElfHeaders) {
    ScratchDir dir("machine");
    struct Case {
        std::string bytes;
        unsigned machine;
    };
    std::string elf64(20, '\0');
    elf64.replace(0, 6,
                  "\x7f"
                  "ELF\x02\x01");
    elf64[18] = 62;
    std::string elf_arm = elf64;
    elf_arm[18] = char(183);
    std::string far_header = pe_image(k32);
    far_header[0x3D] = 0x7F;                 // points past the end
    const bool elf = kPathSeparator == '/';  // a Windows program loads PE libraries only
    const Case cases[] = {
        {pe_image(k32), k32},
        {pe_image(k64), k64},
        {pe_image(0xAA64), 0xAA64},
        {elf64, elf ? k64 : 0u},
        {elf_arm, elf ? 0xAA64u : 0u},
        {far_header, 0},
        {"MZ", 0},
        {"This is a text file, not a library.\n", 0},
    };
    for (const Case& c : cases) {
        std::string path = dir / "lib";
        write_file(path, c.bytes);
        EXPECT_EQ(c.machine, read_machine_type(path.c_str())) << ::testing::PrintToString(c.bytes.substr(0, 8));
    }
    EXPECT_EQ(0u, read_machine_type((dir / "absent").c_str()));
}

}  // namespace
