#include "runtime/runtime_search.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/config.h"
#include "base/diagnostics.h"
#include "base/major_version.h"
#include "base/message_format.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/text_rules.h"
#include "runtime/registry_text.h"
#include "runtime/runtime_release.h"
#include "runtime/version_range.h"

namespace {

// Runtimes that count: each found on disk, once.
constexpr int kMaxCandidates = 48;
// With those passed over as they are found (no library there, found
// before), kept for the trace only while room is left beside the places of
// the runtimes that count.
constexpr int kMaxEntries = 64;
constexpr int kVersionCapacity = 16;
constexpr int kSourceCapacity = 400;
// Registry key names are at most 255 characters long.
constexpr int kKeyNameCapacity = 256;
const char kUnknownVersion[] = "unknown";

// Names of registry keys and values, in lists: each name ends with its
// terminator, each list with kListEnd. A layout names a list by where it
// starts, worked out below from the text itself (the tables hold no pointers,
// which would each need a relocation in the program file).
constexpr char kListEnd = '\1';
constexpr char kNameLists[] =
    "RuntimeLib\0JavaHome\0\1"    // RuntimeLib names the library, JavaHome the home
    "Path\0InstallationPath\0\1"  // an installer's: the home
    "\0\1"                        // the version's own key holds the values (as products: the vendor's key)
    "hotspot\\MSI\0hotspot\\EXE\0openj9\\MSI\0openj9\\EXE\0dragonwell\\MSI\0dragonwell\\EXE\0\1"
    "JRE\0JDK\0Java Development Kit\0\1"
    "JDK\0JRE\0\1"
    "Zulu\0Zulu 32-bit\0\1";
static_assert(sizeof kNameLists <= 256, "a list's start must fit NameList");

// Where list number `list` of kNameLists starts.
constexpr unsigned char list_start(int list) {
    unsigned i = 0;
    for (; list > 0; ++i)
        if (kNameLists[i] == kListEnd) --list;
    return static_cast<unsigned char>(i);
}

// The lists, in the order of kNameLists.
enum NameList : unsigned char {
    kRegisteredValues = list_start(0),
    kInstallerValues = list_start(1),
    kVersionItself = list_start(2),
    kPackageKeys = list_start(3),  // an installer's key per virtual machine and package kind
    kJavaSoftProducts = list_start(4),
    kJdkAndJre = list_start(5),
    kZulu = list_start(6),
};

// The name after `name` in its list; one that is kListEnd ends it.
const char* next_name(const char* name) { return name + strlen(name) + 1; }

// Where one vendor's installers register a runtime: under Software, the
// vendor's key (with its product's, when it has one only) and its product
// keys, each holding a subkey per installed version (and perhaps
// CurrentVersion, the default one); the keys under a version's subkey that
// hold the values; and the values. Of these, the first
// present that leads to a library counts. The order of the table settles a
// tie between equal versions.
struct RegistryLayout {
    char vendor[19];
    NameList products;
    NameList under_version;
    NameList values;
};

// The legacy key (kLegacyRegistryKey), which the legacy route reads in this
// program's own view.
const RegistryLayout kLegacyLayout = {"JavaSoft", kVersionItself, kVersionItself, kRegisteredValues};

const RegistryLayout kLayouts[] = {
    {"JavaSoft", kJavaSoftProducts, kVersionItself, kRegisteredValues},
    {"Eclipse Adoptium", kJdkAndJre, kPackageKeys, kInstallerValues},
    {"Eclipse Foundation", kJdkAndJre, kPackageKeys, kInstallerValues},
    {"AdoptOpenJDK", kJdkAndJre, kPackageKeys, kInstallerValues},
    {"Temurin", kJdkAndJre, kPackageKeys, kInstallerValues},
    {"Semeru", kJdkAndJre, kPackageKeys, kInstallerValues},
    {"Microsoft\\JDK", kVersionItself, kPackageKeys, kInstallerValues},
    {"Azul Systems", kZulu, kVersionItself, kInstallerValues},
    {"BellSoft\\Liberica", kVersionItself, kVersionItself, kInstallerValues},
    {"SapMachine\\JDK", kVersionItself, kVersionItself, kRegisteredValues},
};

const RegistryRoot kRoots[] = {kRegistryMachine, kRegistryUser};
const RegistryView kViews[] = {kRegistryView32, kRegistryView64};
const char kRootNames[][19] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"};
const char kViewNames[][12] = {"32-bit view", "64-bit view"};

enum Verdict {
    kUnjudged,
    kTaken,
    kPassedOver,
    kNoLibrary,
    kFoundBefore,
    kNotALibrary,
    kWrongMachine,  // and, where value 14 allows a separate process, no java program there
    kVersionUnknown,
    kOutsideRange,
};

const char* const kVerdictTexts[] = {
    "",
    TRACE_RUNTIME_TAKEN,
    TRACE_RUNTIME_PASSED_OVER,
    TRACE_RUNTIME_NO_LIBRARY,
    TRACE_RUNTIME_FOUND_BEFORE,
    TRACE_RUNTIME_NOT_A_LIBRARY,
    TRACE_RUNTIME_WRONG_MACHINE,
    TRACE_RUNTIME_VERSION_UNKNOWN,
    TRACE_RUNTIME_OUTSIDE_RANGE,
};

struct Candidate {
    char source[kSourceCapacity];
    char home[kSystemPathCapacity];
    char library[kSystemPathCapacity];  // empty when the home holds none
    char version[kVersionCapacity];     // family version; empty when unknown
    unsigned machine;
    bool preferred;   // the default runtime: JAVA_HOME's, else the system's default home's
    Verdict verdict;  // kUnjudged for a runtime that counts
};

struct Search {
    Candidate entries[kMaxEntries];
    int count;             // entries kept
    int counted;           // of those, the runtimes that count
    int room;              // how many runtimes may count
    unsigned own_machine;  // this program's; 0 when unknown
};

// Length of `path` without its trailing separators.
size_t trimmed_length(const char* path) {
    size_t length = strlen(path);
    while (length > 1 && path[length - 1] == kPathSeparator) --length;
    return length;
}

// Length of the directory part of `path[0, length)`: up to its last separator.
size_t parent_length(const char* path, size_t length) {
    while (length > 0 && path[length - 1] != kPathSeparator) --length;
    return length > 0 ? length - 1 : 0;
}

const char* machine_name(unsigned machine) {
    switch (machine) {
        case 0x014C:
            return "32-bit";
        case 0x8664:
            return "64-bit";
        case 0xAA64:
            return "64-bit ARM";
        default:
            return "unknown machine type";
    }
}

// This program's own machine type; 0 when its file cannot be read.
unsigned launcher_machine() {
    char path[kSystemPathCapacity];
    return get_module_file(path, sizeof path) ? read_machine_type(path) : 0;
}

bool same_library(const char* a, const char* b) { return strcmp(a, b) == 0 || platform.same_file(a, b); }

// Fills in the candidate's library from its home, when the home holds one.
void find_library_under_home(Candidate& c) {
    for (const char* const* place = kLibrariesUnderJavaHome; *place != nullptr; ++place)
        if (join_path(c.home, *place, c.library, sizeof c.library) && platform.path_exists(c.library)) return;
    c.library[0] = '\0';
}

// The length of the home of the library at `library`: the folder above its
// "bin" folder.
size_t home_length(const char* library) {
    size_t length = strlen(library);
    for (int level = 0; level < 3 && length > 0; ++level) {
        size_t parent = parent_length(library, length);
        if (parent == 0) break;
        length = parent;
    }
    return length;
}

void home_of_library(Candidate& c) { copy_text(c.library, home_length(c.library), c.home, sizeof c.home); }

bool is_foreign(const Search& search, const Candidate& c) {
    return search.own_machine != 0 && c.machine != search.own_machine;
}

// Keeps a judged candidate: a runtime that counts while it has room, one
// passed over while room is left beside the places kept for those that count.
void keep(Search& search, const Candidate& c) {
    const bool counts = c.verdict == kUnjudged;
    if (search.count == kMaxEntries) return;
    if (counts ? search.counted >= search.room : search.count + kMaxCandidates - search.counted >= kMaxEntries) return;
    search.entries[search.count++] = c;
    if (counts) ++search.counted;
}

// Completes a candidate whose home or library is set with its version (from
// the release file, else from `key_name`), passes it over when its library
// is missing, no library, or that of a runtime found before, else reads its
// machine type; then keeps it.
void add_candidate(Search& search, Candidate& c, const char* key_name) {
    char release[kVersionCapacity * 4];
    if (!(read_release_entry(c.home, "JAVA_VERSION", release, sizeof release) &&
          family_version_in(release, c.version, sizeof c.version)) &&
        !(key_name != nullptr && family_version_in(key_name, c.version, sizeof c.version)))
        c.version[0] = '\0';
    if (c.library[0] == '\0') c.verdict = kNoLibrary;
    for (int i = 0; i < search.count && c.verdict == kUnjudged; ++i) {
        Candidate& earlier = search.entries[i];
        if (earlier.verdict != kUnjudged || !same_library(earlier.library, c.library)) continue;
        c.verdict = kFoundBefore;
        c.machine = earlier.machine;
        // JAVA_HOME keeps its say over a runtime registered as well.
        if (c.preferred) earlier.preferred = true;
    }
    if (c.verdict == kUnjudged) {
        c.machine = read_machine_type(c.library);
        if (c.machine == 0) c.verdict = kNotALibrary;
    }
    keep(search, c);
}

void start_candidate(Candidate& c, const char* source) {
    memset(&c, 0, sizeof c);
    copy_text(source, strlen(source), c.source, sizeof c.source);
}

void add_home(Search& search, const char* source, const char* home, bool preferred) {
    Candidate c;
    start_candidate(c, source);
    if (!copy_text(home, trimmed_length(home), c.home, sizeof c.home)) {
        if (debug_trace)
            print_trace(TRACE_RUNTIME_CANDIDATE, source, home, kUnknownVersion, "no library",
                        TRACE_RUNTIME_PATH_TOO_LONG);
        return;
    }
    c.preferred = preferred;
    find_library_under_home(c);
    add_candidate(search, c, nullptr);
}

// A version key's runtime: the first of the layout's values that leads to a
// library; else the first one present, as a runtime without a library.
void add_from_key(Search& search, RegistryKey key, const char* values, const char* source, const char* key_name) {
    Candidate c;
    start_candidate(c, source);
    Candidate first;
    bool present = false;
    for (const char* value = values; *value != kListEnd; value = next_name(value)) {
        char text[kSystemPathCapacity];
        if (!query_registry_path(key, value, text, sizeof text) || text[0] == '\0') continue;
        if (strcmp(value, "RuntimeLib") == 0) {
            copy_text(text, strlen(text), c.library, sizeof c.library);
            home_of_library(c);
            if (!platform.path_exists(c.library)) c.library[0] = '\0';
        } else {
            copy_text(text, trimmed_length(text), c.home, sizeof c.home);
            find_library_under_home(c);
        }
        if (c.library[0] != '\0') break;
        if (!present) first = c;
        present = true;
    }
    if (c.library[0] == '\0') {
        if (!present) return;
        c = first;
    }
    add_candidate(search, c, key_name);
}

// The runtime of key `version` under `versions`, the key named `versions_key`.
void search_version(Search& search, const RegistryLayout& layout, RegistryKey versions, const char* versions_key,
                    const char* version, RegistryRoot root, RegistryView view) {
    for (const char* under = kNameLists + layout.under_version; *under != kListEnd; under = next_name(under)) {
        char subkey[kSourceCapacity];
        int length = snprintf(subkey, sizeof subkey, "%s%s%s", version, under[0] != '\0' ? "\\" : "", under);
        RegistryKey key = nullptr;
        if (length >= int(sizeof subkey) || !platform.registry_open(versions, subkey, root, view, &key)) continue;
        char source[kSourceCapacity];
        // Where the trace says it was found; cut when it does not fit.
        if (snprintf(source, sizeof source, "%s\\%s\\%s (%s)", kRootNames[root], versions_key, subkey,
                     kViewNames[view]) < 0)
            source[0] = '\0';
        add_from_key(search, key, kNameLists + layout.values, source, version);
        platform.registry_close(key);
    }
}

// Every version that product key `versions_key` registers under `root` in
// `view`: the registered default version first, then the others.
void search_versions(Search& search, const RegistryLayout& layout, const char* versions_key, RegistryRoot root,
                     RegistryView view) {
    RegistryKey versions = nullptr;
    if (!platform.registry_open(nullptr, versions_key, root, view, &versions)) return;
    char current[kKeyNameCapacity];
    if (!query_registry_text(versions, "CurrentVersion", current, sizeof current)) current[0] = '\0';
    if (current[0] != '\0') search_version(search, layout, versions, versions_key, current, root, view);
    char name[kKeyNameCapacity];
    for (unsigned long index = 0; platform.registry_subkey(versions, index, name, sizeof name); ++index)
        if (name[0] != '\0' && strcmp(name, current) != 0)
            search_version(search, layout, versions, versions_key, name, root, view);
    platform.registry_close(versions);
}

// Each product key of the layout, under both roots in both views.
void search_layout(Search& search, const RegistryLayout& layout) {
    for (const char* product = kNameLists + layout.products; *product != kListEnd; product = next_name(product)) {
        char versions_key[kKeyNameCapacity];
        snprintf(versions_key, sizeof versions_key, "Software\\%s%s%s", layout.vendor, product[0] != '\0' ? "\\" : "",
                 product);
        for (RegistryRoot root : kRoots)
            for (RegistryView view : kViews) search_versions(search, layout, versions_key, root, view);
    }
}

void search_registry(Search& search) {
    const RegistryView other_view = kOwnRegistryView == kRegistryView32 ? kRegistryView64 : kRegistryView32;
    search_versions(search, kLegacyLayout, kLegacyRegistryKey, kRegistryMachine, other_view);
    for (const RegistryLayout& layout : kLayouts) search_layout(search, layout);
}

// True when the directory `path[0, length)` lies in the Windows directory
// or among the forwarding stubs that some installers put on PATH.
bool is_system_or_stub_directory(const char* path, size_t length) {
    for (size_t i = 0; i + 8 <= length; ++i)
        if ((i == 0 || path[i - 1] == kPathSeparator) && equal_ignoring_case(path + i, "javapath", 8)) return true;
    const char* windows = platform.get_env("SystemRoot");
    if (windows == nullptr || windows[0] == '\0') return false;
    size_t windows_length = trimmed_length(windows);
    return length >= windows_length && equal_ignoring_case(path, windows, windows_length) &&
           (length == windows_length || path[windows_length] == kPathSeparator);
}

// The home of java in PATH entry `directory` when that is a runtime's "bin".
void add_path_entry(Search& search, const char* directory) {
    char program[16];
    snprintf(program, sizeof program, "java%s", kExecutableSuffix);
    char java[kSystemPathCapacity];
    char resolved[kSystemPathCapacity];
    // A relative entry names a folder of whatever the current directory is.
    if (!is_absolute_path(directory, kOwnPathFlavour) ||
        is_system_or_stub_directory(directory, trimmed_length(directory)))
        return;
    if (!join_path(directory, program, java, sizeof java) || !platform.path_exists(java) ||
        !platform.full_path(java, resolved, sizeof resolved))
        return;
    size_t bin = parent_length(resolved, strlen(resolved));
    size_t home = parent_length(resolved, bin);
    if (bin - home != 4 || !equal_ignoring_case(resolved + home + 1, "bin", 3) || home == 0) return;
    if (is_system_or_stub_directory(resolved, bin)) return;
    resolved[home] = '\0';
    add_home(search, "PATH", resolved, false);
}

// Each java program on PATH whose folder is a runtime's "bin".
void search_path(Search& search) {
    const char* list = platform.get_env("PATH");
    if (list == nullptr) return;
    const char separators[] = {kPathListSeparator, '\0'};
    while (*list != '\0') {
        size_t length = strcspn(list, separators);
        const char* entry = list;
        list += length;
        if (*list != '\0') ++list;
        if (length >= 2 && entry[0] == '"' && entry[length - 1] == '"') {
            ++entry;
            length -= 2;
        }
        char directory[kSystemPathCapacity];
        if (length != 0 && copy_text(entry, length, directory, sizeof directory)) add_path_entry(search, directory);
    }
}

// A version for ordering: unknown ones come last.
float version_rank(const char* version) { return version[0] == '\0' ? -1 : comparable_major_version(version); }

// Which runtimes best() looks at: those of this program's machine type, of
// another, or all.
enum MachineClass { kOwnMachine, kForeignMachine, kAnyMachine };

// The runtime among those judged `verdict` of machine class `machines`: the
// preferred one, else the highest version, the first of equals; null when
// there is none.
Candidate* best(Search& search, Verdict verdict, int machines) {
    Candidate* found = nullptr;
    for (int i = 0; i < search.count; ++i) {
        Candidate* c = &search.entries[i];
        if (c->verdict != verdict || (machines != kAnyMachine && int(is_foreign(search, *c)) != machines)) continue;
        if (c->preferred && verdict == kPassedOver) return c;
        if (found == nullptr || version_rank(c->version) > version_rank(found->version)) found = c;
    }
    return found;
}

void print_trace_lines(const Search& search) {
    if (!debug_trace) return;
    for (int i = 0; i < search.count; ++i) {
        const Candidate& c = search.entries[i];
        print_trace(TRACE_RUNTIME_CANDIDATE, c.source, c.library[0] != '\0' ? c.library : c.home,
                    c.version[0] != '\0' ? c.version : kUnknownVersion,
                    c.library[0] != '\0' ? machine_name(c.machine) : "no library", kVerdictTexts[c.verdict]);
    }
}

// Prints configuration value 8, a format text that takes no argument.
void report_no_runtime() {
    char message[kConfigValueCapacity];
    if (read_config_string(kConfigNoRuntimeMessage, message, sizeof message) != 0) print_no_runtime_message(message);
}

// The legacy key's messages, when nothing else was found.
void report_legacy_outcome(const LegacyResult& legacy) {
    switch (legacy.outcome) {
        case kLegacyKeyAbsent:
        case kLegacyOutsideRange:
            report_no_runtime();
            break;
        case kLegacyNoVersion:
            print_error(MSG_RUNTIME_NOT_FOUND);
            print_error(MSG_NO_RECOGNIZED_VERSIONS);
            break;
        case kLegacyRuntimeLibUnreadable:
            print_error(MSG_RUNTIME_LIB_UNREADABLE);
            break;
        case kLegacyLibraryMissing:
            print_error(MSG_ERROR_LOADING, legacy.library);
            break;
    }
}

// Nothing usable was found: the message of what was found after all.
void report_failure(Search& search, const LegacyResult& legacy) {
    Candidate* outside = best(search, kOutsideRange, kAnyMachine);
    const char* version = outside != nullptr ? outside->version : nullptr;
    if (legacy.outcome == kLegacyOutsideRange &&
        (version == nullptr || comparable_major_version(legacy.version) > comparable_major_version(version)))
        version = legacy.version;
    // A runtime whose version cannot be read cannot be shown to lie in the range.
    if (version == nullptr && best(search, kVersionUnknown, kAnyMachine) != nullptr) version = kUnknownVersion;
    char message[kConfigValueCapacity];
    if (version != nullptr && read_config_string(kConfigBadVersionMessage, message, sizeof message) != 0) {
        print_bad_version_message(message, version);
        print_versions_wanted(message);
        return;
    }
    Candidate* other = best(search, kWrongMachine, kAnyMachine);
    if (other != nullptr) {
        print_error(MSG_WRONG_MACHINE, machine_name(other->machine),
                    other->version[0] ? other->version : kUnknownVersion, other->home,
                    machine_name(search.own_machine));
        return;
    }
    report_legacy_outcome(legacy);
}

// A runtime of another machine type counts only where value 14 allows a
// separate process and its java program is there; returns whether any
// runtime counts.
bool judge_machines(Search& search) {
    const bool separate = read_config_choice(kConfigSeparateProcess, kSeparateProcessChoices) != kSeparateNever;
    search.own_machine = launcher_machine();
    bool any = false;
    for (int i = 0; i < search.count; ++i) {
        Candidate& c = search.entries[i];
        if (c.verdict != kUnjudged) continue;
        if (is_foreign(search, c)) {
            char* java = separate ? find_java_launcher(c.library) : nullptr;
            if (java == nullptr) c.verdict = kWrongMachine;
            free(java);
        }
        any = any || c.verdict == kUnjudged;
    }
    return any;
}

// Judges every runtime that counts; returns the one to take, of this
// program's machine type when one fits, or null. `stop` is set when a bound
// is no version (its message printed).
Candidate* choose(Search& search, bool* stop) {
    *stop = false;
    if (!judge_machines(search)) return nullptr;
    VersionRange range;
    if (!read_version_range(&range)) {
        *stop = true;
        return nullptr;
    }
    const bool has_range = range.minimum > kAnyVersion.minimum || range.maximum < kAnyVersion.maximum;
    for (int i = 0; i < search.count; ++i) {
        Candidate& c = search.entries[i];
        if (c.verdict != kUnjudged) continue;
        float version = version_rank(c.version);
        if (has_range && c.version[0] == '\0')
            c.verdict = kVersionUnknown;
        else if (version < range.minimum || version > range.maximum)
            c.verdict = kOutsideRange;
        else
            c.verdict = kPassedOver;
    }
    Candidate* taken = nullptr;
    // In the range, of this program's machine type, else of another; without
    // value 9 the range has no effect: then the highest runtime there is.
    for (int pass = 0; pass < 4 && taken == nullptr; ++pass) {
        const int machines = pass & 1;
        if (pass < 2)
            taken = best(search, kPassedOver, machines);
        else if (!version_range_enforced() && (taken = best(search, kOutsideRange, machines)) == nullptr)
            taken = best(search, kVersionUnknown, machines);
    }
    if (taken != nullptr) taken->verdict = kTaken;
    return taken;
}

// The search proper, over a record far too large for a thread's stack where
// paths are long.
bool search_in(Search& search, const LegacyResult& legacy, char* path, int capacity) {
    search.count = 0;
    search.counted = 0;
    const char* java_home = platform.get_env("JAVA_HOME");
    const bool has_java_home = java_home != nullptr && java_home[0] != '\0';
    // The last place is JAVA_HOME's: no number of registry keys hides the user's choice.
    search.room = kMaxCandidates - (has_java_home ? 1 : 0);
    search_registry(search);
    search.room = kMaxCandidates;
    if (has_java_home) add_home(search, "JAVA_HOME", java_home, true);
    // Without JAVA_HOME the system's default home is the default runtime.
    for (const char* const* home = kWellKnownJavaHomes; *home != nullptr; ++home)
        add_home(search, *home, *home, !has_java_home && home == kWellKnownJavaHomes);
    search_path(search);

    bool stop = false;
    Candidate* taken = choose(search, &stop);
    // The default runtime taken where no legacy key exists is the route
    // before the search, as the legacy key's runtime is: the trace is silent.
    if (!(taken != nullptr && taken->preferred && legacy.outcome == kLegacyKeyAbsent)) print_trace_lines(search);
    if (taken != nullptr && is_foreign(search, *taken)) {
        separate_java = find_java_launcher(taken->library);
        if (debug_trace)
            print_trace(TRACE_SEPARATE_NEEDED, machine_name(search.own_machine), machine_name(taken->machine),
                        taken->version[0] != '\0' ? taken->version : kUnknownVersion, taken->home);
    }
    if (taken != nullptr && copy_text(taken->library, strlen(taken->library), path, capacity)) return true;
    if (!stop) report_failure(search, legacy);
    return false;
}

}  // namespace

char* separate_java = nullptr;

char* find_java_launcher(const char* library) {
    char program[kSystemPathCapacity];
    const char* name = platform.gui_program() ? kJavaGuiLauncher : kJavaLauncher;
    int length =
        snprintf(program, sizeof program, "%.*s%c%s", int(home_length(library)), library, kPathSeparator, name);
    return length < int(sizeof program) && platform.path_exists(program) ? copy_or_exit(program) : nullptr;
}

bool search_further(const LegacyResult& legacy, char* path, int capacity) {
    Search* search = static_cast<Search*>(allocate_or_exit(int(sizeof(Search))));
    bool found = search_in(*search, legacy, path, capacity);
    free(search);
    return found;
}

unsigned read_machine_type(const char* path) {
    FILE* file = platform.file_open(path, "rb");
    if (file == nullptr) return 0;
    // A library's headers lie within its first few hundred bytes.
    unsigned char header[1024];
    size_t read = fread(header, 1, sizeof header, file);
    unsigned machine = platform_machine_type(header, read);
    platform.file_close(file);
    return machine;
}
