#include "runtime_search.h"

#include <cstdio>
#include <cstring>

#include "config.h"
#include "diagnostics.h"
#include "message_format.h"
#include "messages.h"
#include "pe_headers.h"
#include "platform/release_file.h"
#include "text_rules.h"

namespace {

constexpr int kMaxCandidates = 48;
constexpr int kVersionCapacity = 16;
constexpr int kSourceCapacity = 400;
// Registry key names are at most 255 characters long.
constexpr int kKeyNameCapacity = 256;

// The key layouts that runtimes and their installers write, in the order
// that settles a tie between equal versions. Backslashes separate the keys of
// a path, "|" separates the alternative names of one key, and "*" stands for
// every subkey: the key that names the version. Of the values, the first one
// present that leads to a library counts: RuntimeLib names the library
// itself, the others the runtime's home.
struct RegistryLayout {
    const char* pattern;
    const char* const* values;
};

const char* const kRegisteredValues[] = {"RuntimeLib", "JavaHome", nullptr};
const char* const kInstallerValues[] = {"Path", "InstallationPath", nullptr};

const RegistryLayout kLayouts[] = {
    {"Software\\JavaSoft\\JRE\\*", kRegisteredValues},
    {"Software\\JavaSoft\\JDK\\*", kRegisteredValues},
    {"Software\\JavaSoft\\Java Development Kit\\*", kRegisteredValues},
    {"Software\\Eclipse Adoptium|Eclipse Foundation|AdoptOpenJDK|Temurin|Semeru\\JDK|JRE\\*"
     "\\hotspot|openj9|dragonwell\\MSI|EXE",
     kInstallerValues},
    {"Software\\Microsoft\\JDK\\*\\hotspot|openj9|dragonwell\\MSI|EXE", kInstallerValues},
    {"Software\\Azul Systems\\Zulu|Zulu 32-bit\\*", kInstallerValues},
    {"Software\\BellSoft\\Liberica\\*", kInstallerValues},
    {"Software\\SapMachine\\JDK\\*", kRegisteredValues},
};

const RegistryRoot kRoots[] = {kRegistryMachine, kRegistryUser};
const char* const kRootNames[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"};
const RegistryView kViews[] = {kRegistryView32, kRegistryView64};
const char* const kViewNames[] = {"32-bit view", "64-bit view"};

enum Verdict {
    kUnjudged,
    kTaken,
    kPassedOver,
    kNoLibrary,
    kFoundBefore,
    kNotALibrary,
    kWrongMachine,
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
    char home[kPathCapacity];
    char library[kPathCapacity];     // empty when the home holds none
    char version[kVersionCapacity];  // family version; empty when unknown
    unsigned machine;
    bool from_java_home;
    Verdict verdict;
};

struct Search {
    Candidate candidates[kMaxCandidates];
    int count;
    RegistryRoot root;
    RegistryView view;
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
    char path[kPathCapacity];
    unsigned long length = platform.module_file_name(path, sizeof path);
    if (length == 0 || length >= sizeof path) return 0;
    path[length] = '\0';
    return read_machine_type(path);
}

bool same_library(const char* a, const char* b) { return strcmp(a, b) == 0 || platform.same_file(a, b); }

Candidate* new_candidate(Search& search, const char* source) {
    if (search.count == kMaxCandidates) return nullptr;
    Candidate* c = &search.candidates[search.count];
    memset(c, 0, sizeof *c);
    copy_text(source, strlen(source), c->source, sizeof c->source);
    return c;
}

// Fills in the candidate's library from its home, when the home holds one.
void find_library_under_home(Candidate* c) {
    for (const char* const* place = kLibrariesUnderJavaHome; *place != nullptr; ++place)
        if (join_path(c->home, *place, c->library, sizeof c->library) && platform.path_exists(c->library)) return;
    c->library[0] = '\0';
}

// The home of a library at `library`: the folder above its "bin" folder.
void home_of_library(Candidate* c) {
    size_t length = strlen(c->library);
    for (int level = 0; level < 3 && length > 0; ++level) {
        size_t parent = parent_length(c->library, length);
        if (parent == 0) break;
        length = parent;
    }
    copy_text(c->library, length, c->home, sizeof c->home);
}

// Completes a candidate whose home or library is set: its version (from the
// release file, else from `key_name`), its machine type, and whether an
// earlier candidate is the same runtime. Then keeps it.
void add_candidate(Search& search, Candidate* c, const char* key_name) {
    char version[kPathCapacity];
    if (!(read_release_family_version(c->home, kPathSeparator, version, sizeof version) &&
          family_version_in(version, c->version, sizeof c->version)) &&
        !(key_name != nullptr && family_version_in(key_name, c->version, sizeof c->version)))
        c->version[0] = '\0';
    for (int i = 0; i < search.count && c->verdict != kFoundBefore; ++i) {
        Candidate& earlier = search.candidates[i];
        if (c->library[0] != '\0' ? earlier.library[0] != '\0' && same_library(earlier.library, c->library)
                                  : strcmp(earlier.home, c->home) == 0) {
            c->verdict = kFoundBefore;
            c->machine = earlier.machine;
            // JAVA_HOME keeps its say over a runtime registered as well.
            if (c->from_java_home) earlier.from_java_home = true;
        }
    }
    if (c->library[0] != '\0' && c->verdict != kFoundBefore) c->machine = read_machine_type(c->library);
    ++search.count;
}

void add_home(Search& search, const char* source, const char* home, const char* key_name, bool from_java_home) {
    Candidate* c = new_candidate(search, source);
    if (c == nullptr || !copy_text(home, trimmed_length(home), c->home, sizeof c->home)) return;
    c->from_java_home = from_java_home;
    find_library_under_home(c);
    add_candidate(search, c, key_name);
}

// A version key's runtime: the first of the layout's values that leads to a
// library; else the first one present, as a runtime without a library.
void add_from_key(Search& search, RegistryKey key, const char* const* values, const char* source,
                  const char* key_name) {
    Candidate* c = new_candidate(search, source);
    if (c == nullptr) return;
    bool present = false;
    Candidate first = *c;
    for (const char* const* value = values; *value != nullptr; ++value) {
        char text[kPathCapacity];
        if (!query_registry_text(key, *value, text, sizeof text) || text[0] == '\0') continue;
        if (strcmp(*value, "RuntimeLib") == 0) {
            copy_text(text, strlen(text), c->library, sizeof c->library);
            home_of_library(c);
            if (!platform.path_exists(c->library)) c->library[0] = '\0';
        } else {
            copy_text(text, trimmed_length(text), c->home, sizeof c->home);
            find_library_under_home(c);
        }
        if (c->library[0] != '\0') break;
        if (!present) first = *c;
        present = true;
    }
    if (c->library[0] == '\0') {
        if (!present) return;
        *c = first;
    }
    add_candidate(search, c, key_name);
}

void walk(Search& search, RegistryKey parent, const char* pattern, const char* const* values, char* key_path,
          const char* key_name);

// Opens `name` under `parent` (the root when null) and walks the rest of the pattern there.
void visit(Search& search, RegistryKey parent, const char* name, const char* rest, const char* const* values,
           char* key_path, const char* key_name) {
    size_t path_length = strlen(key_path);
    size_t name_length = strlen(name);
    if (path_length + 1 + name_length >= size_t(kSourceCapacity)) return;
    RegistryKey key = nullptr;
    if (!platform.registry_open_view(parent, name, search.root, search.view, &key)) return;
    key_path[path_length] = '\\';
    memcpy(key_path + path_length + 1, name, name_length + 1);
    walk(search, key, rest, values, key_path, key_name);
    key_path[path_length] = '\0';
    platform.registry_close(key);
}

void walk(Search& search, RegistryKey parent, const char* pattern, const char* const* values, char* key_path,
          const char* key_name) {
    if (*pattern == '\0') {
        char source[kSourceCapacity];
        snprintf(source, sizeof source, "%s (%s)", key_path, kViewNames[search.view]);
        add_from_key(search, parent, values, source, key_name);
        return;
    }
    size_t segment_length = strcspn(pattern, "\\");
    const char* rest = pattern[segment_length] == '\\' ? pattern + segment_length + 1 : pattern + segment_length;
    char name[kKeyNameCapacity];
    if (segment_length == 1 && pattern[0] == '*') {
        // The registered default version first, then every version.
        char current[kKeyNameCapacity];
        if (!query_registry_text(parent, "CurrentVersion", current, sizeof current)) current[0] = '\0';
        if (current[0] != '\0') visit(search, parent, current, rest, values, key_path, current);
        for (unsigned long index = 0; platform.registry_subkey(parent, index, name, sizeof name); ++index)
            if (name[0] != '\0' && strcmp(name, current) != 0)
                visit(search, parent, name, rest, values, key_path, name);
        return;
    }
    for (const char* alternative = pattern; alternative < pattern + segment_length;) {
        size_t length = strcspn(alternative, "|\\");
        if (copy_text(alternative, length, name, sizeof name))
            visit(search, parent, name, rest, values, key_path, key_name);
        alternative += length;
        if (*alternative == '|') ++alternative;
    }
}

void search_registry(Search& search) {
    for (const RegistryLayout& layout : kLayouts)
        for (int r = 0; r < 2; ++r)
            for (int v = 0; v < 2; ++v) {
                search.root = kRoots[r];
                search.view = kViews[v];
                char key_path[kSourceCapacity];
                snprintf(key_path, sizeof key_path, "%s", kRootNames[r]);
                size_t first = strcspn(layout.pattern, "\\");
                char name[kKeyNameCapacity];
                if (copy_text(layout.pattern, first, name, sizeof name))
                    visit(search, nullptr, name, layout.pattern + first + 1, layout.values, key_path, nullptr);
            }
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

// Each java program on PATH whose folder is a runtime's "bin".
void search_path(Search& search) {
    const char* list = platform.get_env("PATH");
    if (list == nullptr) return;
    char program[16];
    snprintf(program, sizeof program, "java%s", kExecutableSuffix);
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
        char directory[kPathCapacity];
        char java[kPathCapacity];
        char resolved[kPathCapacity];
        if (length == 0 || !copy_text(entry, length, directory, sizeof directory)) continue;
        if (is_system_or_stub_directory(directory, trimmed_length(directory))) continue;
        if (!join_path(directory, program, java, sizeof java) || !platform.path_exists(java) ||
            !platform.full_path(java, resolved, sizeof resolved))
            continue;
        size_t bin = parent_length(resolved, strlen(resolved));
        size_t home = parent_length(resolved, bin);
        if (bin - home != 4 || !equal_ignoring_case(resolved + home + 1, "bin", 3) || home == 0) continue;
        if (is_system_or_stub_directory(resolved, bin)) continue;
        resolved[home] = '\0';
        add_home(search, "PATH", resolved, nullptr, false);
    }
}

struct VersionRange {
    bool has_minimum;
    bool has_maximum;
    float minimum;
    float maximum;
};

// Reads values 3 and 4; false, with the message printed, when one is set
// but is no version.
bool read_version_range(VersionRange* range) {
    char text[kConfigValueCapacity];
    range->has_minimum = read_config_string(kConfigMinVersion, text, sizeof text) != 0;
    if (range->has_minimum) {
        range->minimum = parse_major_version(text);
        if (!(range->minimum > 0)) {
            print_error(MSG_BAD_MIN_VERSION, text);
            return false;
        }
        if (range->minimum < kFirstJavaVersion) range->minimum = kFirstJavaVersion;
    }
    range->has_maximum = read_config_string(kConfigMaxVersion, text, sizeof text) != 0;
    if (range->has_maximum) {
        range->maximum = parse_major_version(text);
        if (!(range->maximum > 0)) {
            print_error(MSG_BAD_MAX_VERSION, text);
            return false;
        }
    }
    return true;
}

// A version for ordering: unknown ones come last.
float version_rank(const char* version) { return version[0] == '\0' ? -1 : parse_major_version(version); }

// The candidate with the highest version among those with `verdict`, the
// first of equals; null when none has it.
Candidate* highest(Search& search, Verdict verdict) {
    Candidate* best = nullptr;
    for (int i = 0; i < search.count; ++i) {
        Candidate* c = &search.candidates[i];
        if (c->verdict == verdict && (best == nullptr || version_rank(c->version) > version_rank(best->version)))
            best = c;
    }
    return best;
}

void print_trace_lines(const Search& search) {
    if (!debug_trace) return;
    for (int i = 0; i < search.count; ++i) {
        const Candidate& c = search.candidates[i];
        print_trace(TRACE_RUNTIME_CANDIDATE, c.source, c.library[0] != '\0' ? c.library : c.home,
                    c.version[0] != '\0' ? c.version : "unknown",
                    c.library[0] != '\0' ? machine_name(c.machine) : "no library", kVerdictTexts[c.verdict]);
    }
}

// Prints configuration value 8, a format text that takes no argument.
void report_no_runtime() {
    char message[kConfigValueCapacity];
    if (read_config_string(kConfigNoRuntimeMessage, message, sizeof message) != 0) print_no_runtime_message(message);
}

// Nothing usable was found: the message of what was found after all.
void report_failure(Search& search, const LegacyResult& legacy) {
    Candidate* outside = highest(search, kOutsideRange);
    const char* version = outside != nullptr ? outside->version : nullptr;
    if (legacy.outcome == kLegacyOutsideRange &&
        (version == nullptr || parse_major_version(legacy.version) > parse_major_version(version)))
        version = legacy.version;
    char message[kConfigValueCapacity];
    if (version != nullptr && read_config_string(kConfigBadVersionMessage, message, sizeof message) != 0) {
        print_bad_version_message(message, version);
        return;
    }
    Candidate* other = highest(search, kWrongMachine);
    if (other != nullptr) {
        print_error(MSG_WRONG_MACHINE, machine_name(other->machine), other->version[0] ? other->version : "unknown",
                    other->home, machine_name(launcher_machine()));
        return;
    }
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

// Judges every candidate and returns the one to take, or null.
Candidate* choose(Search& search, bool* stop) {
    *stop = false;
    unsigned own = launcher_machine();
    bool any_usable = false;
    for (int i = 0; i < search.count; ++i) {
        Candidate& c = search.candidates[i];
        if (c.verdict != kUnjudged) continue;
        if (c.library[0] == '\0')
            c.verdict = kNoLibrary;
        else if (c.machine == 0)
            c.verdict = kNotALibrary;
        else if (own != 0 && c.machine != own)
            c.verdict = kWrongMachine;
        else
            any_usable = true;
    }
    if (!any_usable) return nullptr;
    VersionRange range = {false, false, 0, 0};
    if (!read_version_range(&range)) {
        *stop = true;
        return nullptr;
    }
    const bool has_range = range.has_minimum || range.has_maximum;
    Candidate* java_home = nullptr;
    for (int i = 0; i < search.count; ++i) {
        Candidate& c = search.candidates[i];
        if (c.verdict != kUnjudged) continue;
        float version = parse_major_version(c.version);
        if (has_range && c.version[0] == '\0')
            c.verdict = kVersionUnknown;
        else if ((range.has_minimum && version < range.minimum) || (range.has_maximum && version > range.maximum))
            c.verdict = kOutsideRange;
        else {
            c.verdict = kPassedOver;
            if (c.from_java_home) java_home = &c;
        }
    }
    Candidate* taken = java_home != nullptr ? java_home : highest(search, kPassedOver);
    if (taken == nullptr) {
        // Without value 9 the range has no effect: the highest runtime there is.
        char message[kConfigValueCapacity];
        if (read_config_string(kConfigBadVersionMessage, message, sizeof message) != 0) return nullptr;
        taken = highest(search, kOutsideRange);
        if (taken == nullptr) taken = highest(search, kVersionUnknown);
    }
    if (taken != nullptr) taken->verdict = kTaken;
    return taken;
}

}  // namespace

bool search_further(const LegacyResult& legacy, char* path, int capacity) {
    Search search;
    search.count = 0;
    search_registry(search);
    const char* java_home = platform.get_env("JAVA_HOME");
    if (java_home != nullptr && java_home[0] != '\0') add_home(search, "JAVA_HOME", java_home, nullptr, true);
    for (const char* const* home = kWellKnownJavaHomes; *home != nullptr; ++home)
        add_home(search, *home, *home, nullptr, false);
    search_path(search);

    bool stop = false;
    Candidate* taken = choose(search, &stop);
    print_trace_lines(search);
    if (taken != nullptr && copy_text(taken->library, strlen(taken->library), path, capacity)) return true;
    if (!stop) report_failure(search, legacy);
    return false;
}

unsigned read_machine_type(const char* path) {
    FILE* file = platform.file_open(path, "rb");
    if (file == nullptr) return 0;
    // A library's PE header lies within its first few hundred bytes.
    unsigned char header[1024];
    unsigned machine = 0;
    size_t read = fread(header, 1, sizeof header, file);
    uint16_t pe_machine = 0;
    uint64_t needed = 0;
    if (read_pe_machine(header, read, &pe_machine, &needed) == kPeRead) {
        machine = pe_machine;
    } else if (read >= 20 && memcmp(header,
                                    "\x7f"
                                    "ELF",
                                    4) == 0) {
        unsigned elf = header[5] == 2 ? (header[18] << 8 | header[19]) : (header[18] | header[19] << 8);
        switch (elf) {
            case 3:
                machine = 0x014C;
                break;
            case 62:
                machine = 0x8664;
                break;
            case 183:
                machine = 0xAA64;
                break;
            default:
                machine = 0x10000 + elf;
                break;  // never equal to a PE machine
        }
    }
    platform.file_close(file);
    return machine;
}

bool family_version_in(const char* text, char* version, int capacity) {
    while (*text != '\0' && !is_digit(*text)) ++text;
    size_t length = strspn(text, "0123456789");
    if (length == 0) return false;
    if (length == 1 && text[0] == '1' && text[1] == '.' && is_digit(text[2]))
        length = 2 + strspn(text + 2, "0123456789");
    // Families below 9 call themselves 1.x; their installers' keys say 8.
    if (length == 1 && text[0] >= '2' && text[0] <= '8') {
        if (capacity < 4) return false;
        version[0] = '1';
        version[1] = '.';
        version[2] = text[0];
        version[3] = '\0';
        return true;
    }
    return copy_text(text, length, version, capacity);
}
