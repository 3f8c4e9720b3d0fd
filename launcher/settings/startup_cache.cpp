#include "settings/startup_cache.h"

#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/diagnostics.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/sharing_options.h"
#include "platform/platform.h"
#include "runtime/runtime_release.h"
#include "runtime/runtime_search.h"
#include "settings/config.h"
#include "settings/expansion.h"
#include "vm/command_line.h"
#include "vm/vm_options.h"

namespace {

// Set in the environment of the process that assembles a cache.
char kMakerSetting[] = "_VANDREL_STARTUP_CACHE=make";
const char kMakerVariable[] = "_VANDREL_STARTUP_CACHE";
// The file that marks a folder the launcher made for caches.
const char kCacheTag[] = "CACHEDIR.TAG";
// The files of one cache: the cache (Java 25 and later) or archive (19 to
// 24), the recorded configuration, the cache being assembled, and the marker
// of an attempt that has not (yet) given a cache.
const char* const kExtensions[] = {"aot", "jsa", "aotconf", "aottmp", "try"};
// Starts that run without a cache after an attempt that gave none.
constexpr long kStartsBetweenAttempts = 16;
// Room the configuration and the cache take at most, beyond 16 times the
// program's size.
constexpr unsigned long long kRoomNeeded = 128ull << 20;
// What the VM prints when a record ends and when a cache is complete.
const char kRecordedLine[] = "AOTConfiguration recorded: ";
const char kCompleteLine[] = "AOTCache creation is complete: ";

struct CacheState {
    char* base;  // the folder, a separator and the cache's name without extension
    char* stem;  // the program's name
    const char* program;
    bool recording;  // a Java 25 run that records for a cache
    bool finished;
    bool program_ended;  // with the status below, before the VM is destroyed
    int program_status;
};
CacheState state;  // its texts in a block of their own, kept to the end

// The file of the cache's name with extension `extension`, in `path` (the
// name leaves room for every extension).
const char* cache_file(const char* extension, char* path) {
    if (snprintf(path, kPathCapacity, "%s.%s", state.base, extension) >= kPathCapacity) path[0] = '\0';
    return path;
}

// "<folder>/<program>_<runtime version>_<size>_<time>", size and time in
// lowercase hexadecimal, the time in 16 digits.
bool make_cache_base(const char* program, const char* directory, unsigned long long* size) {
    FileStatus status;
    FILE* file = platform.file_open(program, "rb");
    if (file == nullptr) return false;
    bool known = platform.file_status(file, &status);
    platform.file_close(file);
    char name[kPathCapacity];
    const char* stem = program_stem(name, sizeof name);
    if (!known || stem == nullptr) return false;
    memmove(state.stem, stem, strlen(stem) + 1);  // fits: a part of `name`
    unsigned long long time = static_cast<unsigned long long>(status.modified);
    *size = status.size;
    int length = snprintf(name, sizeof name, "%s_%s_%lx_%08lx%08lx", state.stem, runtime_release.version,
                          static_cast<unsigned long>(status.size), static_cast<unsigned long>(time >> 32),
                          static_cast<unsigned long>(time & 0xFFFFFFFF));
    return length > 0 && size_t(length) < sizeof name && join_path(directory, name, state.base, kPathCapacity - 8);
}

// True when `name` is the whole name of a cache file of the program `stem`,
// in the exact form make_cache_base and kExtensions give.
bool is_cache_name(const char* name, const char* stem) {
    static const char kHex[] = "0123456789abcdef";
    size_t length = strlen(stem);
    if (strncmp(name, stem, length) != 0 || name[length] != '_') return false;
    const char* p = name + length + 1;
    size_t version = strcspn(p, "_");  // a runtime version of Java 9 and later holds no "_"
    if (version == 0 || p[version] != '_') return false;
    p += version + 1;
    size_t size = strspn(p, kHex);
    if (size == 0 || size > 16 || p[size] != '_' || strspn(p + size + 1, kHex) != 16 || p[size + 17] != '.')
        return false;
    for (const char* extension : kExtensions)
        if (strcmp(p + size + 18, extension) == 0) return true;
    return false;
}

// Removes a file of another cache of the program.
void remove_other_cache(const char* name, void* directory) {
    const char* own = strrchr(state.base, kPathSeparator) + 1;
    size_t own_length = strlen(own);
    char path[kPathCapacity];
    if (is_cache_name(name, state.stem) && !(strncmp(name, own, own_length) == 0 && name[own_length] == '.') &&
        join_path(static_cast<const char*>(directory), name, path, sizeof path))
        platform.remove_file(path);
}

// Creates `path` and the folders above it that are missing, each for this
// user alone, and marks the last one as a cache folder.
void make_cache_folder(char* path) {
    for (char* p = path + 1; *p; ++p) {
        if (*p != kPathSeparator || p[-1] == ':' || p[-1] == kPathSeparator) continue;
        *p = '\0';
        if (!platform.path_exists(path)) platform.make_private_directory(path);
        *p = kPathSeparator;
    }
    char tag[kPathCapacity];
    FILE* file = platform.make_private_directory(path) && join_path(path, kCacheTag, tag, sizeof tag)
                     ? platform.file_create_new(tag)
                     : nullptr;
    if (file == nullptr) return;
    fputs("Signature: 8a477f597d28d172789f06886806bc55\n", file);
    platform.file_close(file);
}

// True when the options so far, or those the VM reads from the environment,
// choose the VM's class-data sharing themselves.
bool options_choose_sharing() {
    for (int i = 0; i < vm_option_list.count; ++i)
        if (sharing_option_in(vm_option_list.entries[i].optionString)) return true;
    return sharing_option_in(platform.get_env("JAVA_TOOL_OPTIONS")) ||
           sharing_option_in(platform.get_env("_JAVA_OPTIONS"));
}

bool holds(const char* text, int length, const char* part) {
    size_t part_length = strlen(part);
    for (int i = 0; i + int(part_length) <= length; ++i)
        if (memcmp(text + i, part, part_length) == 0) return true;
    return false;
}

// The VM's abort hook while it records: a record that cannot be written
// once the program has returned ends the process with the program's status.
void JNICALL end_as_the_program_did() {
    if (state.program_ended) end_process(state.program_status);
}

// The VM's output hook while it records or assembles a cache: the line that
// says a record was written stays out of the program's output; the line that
// says a cache is complete moves it into place. Everything else is printed.
jint JNICALL filter_vm_output(FILE* stream, const char* format, va_list args) {
    if (strcmp(format, "%.*s") == 0 && state.program_ended) return 0;  // only a failed record says more
    if (strcmp(format, "%.*s") == 0) {
        va_list copy;
        va_copy(copy, args);
        int length = va_arg(copy, int);
        const char* text = va_arg(copy, const char*);
        va_end(copy);
        if (holds(text, length, kRecordedLine)) return length;
        char from[kPathCapacity];
        char to[kPathCapacity];
        if (holds(text, length, kCompleteLine) &&
            platform.replace_file(cache_file("aottmp", from), cache_file("aot", to))) {
            platform.remove_file(cache_file("aotconf", from));
            platform.remove_file(cache_file("try", from));
        }
    }
    platform.vm_print(stream, format, args);
    return 0;
}

void add_options(const char* const* patterns, const char* const* extensions) {
    char path[kPathCapacity];
    for (int i = 0; patterns[i] != nullptr; ++i)
        add_vm_option(extensions[i] ? format_option(patterns[i], cache_file(extensions[i], path))
                                    : const_cast<char*>(patterns[i]),
                      nullptr);
}

const char* const kUseCache[] = {"-XX:AOTCache=%s", "-Xlog:aot*=off,cds*=off", nullptr};
const char* const kUseCacheFiles[] = {"aot", nullptr};
const char* const kRecord[] = {"-XX:AOTMode=record", "-XX:AOTConfiguration=%s", "-Xlog:aot*=off,cds*=off", nullptr};
const char* const kRecordFiles[] = {nullptr, "aotconf", nullptr};
const char* const kCreate[] = {"-XX:AOTMode=create", "-XX:AOTConfiguration=%s", "-XX:AOTCache=%s",
                               "-Xlog:aot*=off,cds*=off", nullptr};
const char* const kCreateFiles[] = {nullptr, "aotconf", "aottmp", nullptr};
const char* const kArchive[] = {"-XX:+AutoCreateSharedArchive", "-XX:SharedArchiveFile=%s", "-Xlog:cds*=off", nullptr};
const char* const kArchiveFiles[] = {nullptr, "jsa", nullptr};

// The trace line of a cache left out; the result add_startup_cache_options gives.
bool leave_out(const char* reason) {
    if (debug_trace) print_trace(TRACE_CACHE_LEFT_OUT, reason);
    return !making_startup_cache();
}

// After an attempt that gave no cache, true once it is time for another:
// each start adds a byte to the marker until there are enough.
bool time_for_another_attempt(const char* marker) {
    if (!platform.is_private(marker, false)) return false;
    FILE* file = platform.file_open(marker, "ab");
    FileStatus status = {0, 0};
    bool counted =
        file != nullptr && fputc('.', file) != EOF && fflush(file) == 0 && platform.file_status(file, &status);
    if (file != nullptr) platform.file_close(file);
    return counted && status.size > kStartsBetweenAttempts;
}

// A start without a usable cache: an attempt to make one, unless an earlier
// attempt asks to wait, the folder lacks room, or the marker cannot be made.
bool attempt_cache(bool aot, unsigned long long program_size) {
    char marker[kPathCapacity];
    char path[kPathCapacity];
    if (platform.path_exists(cache_file("try", marker))) {
        if (!time_for_another_attempt(marker)) return leave_out(TRACE_CACHE_WAITING);
        for (int i = 2; i < 5; ++i) platform.remove_file(cache_file(kExtensions[i], path));
    }
    char directory[kPathCapacity];
    strcpy(directory, state.base);
    *strrchr(directory, kPathSeparator) = '\0';
    FILE* file =
        platform.free_space(directory) >= kRoomNeeded + 16 * program_size ? platform.file_create_new(marker) : nullptr;
    if (file == nullptr) return leave_out(TRACE_CACHE_NO_ROOM);
    platform.file_close(file);
    if (aot) {
        add_vm_option(const_cast<char*>("vfprintf"), reinterpret_cast<void*>(filter_vm_output));
        add_vm_option(const_cast<char*>("abort"), reinterpret_cast<void*>(end_as_the_program_did));
    }
    add_options(aot ? kRecord : kArchive, aot ? kRecordFiles : kArchiveFiles);
    state.recording = aot;
    return true;
}

// The options for a cache in the private folder `directory`.
bool add_options_in(char* directory, const char* program) {
    unsigned long long program_size = 0;
    if (!make_cache_base(program, directory, &program_size)) return leave_out(TRACE_CACHE_NO_ROOM);
    if (!platform.path_exists(directory)) make_cache_folder(directory);
    if (!platform.is_private(directory, true)) return leave_out(TRACE_CACHE_NOT_PRIVATE);
    char path[kPathCapacity];
    // Java 25 and later record for a process of this program to assemble,
    // which a runtime run separately cannot be loaded into: it makes an
    // archive at exit, as Java 19 to 24 do.
    const bool aot = runtime_release.family >= 25 && separate_java == nullptr;
    if (making_startup_cache()) {
        if (!aot || platform.path_exists(cache_file("aot", path)) ||
            !platform.is_private(cache_file("aotconf", path), false))
            return false;
        add_vm_option(const_cast<char*>("vfprintf"), reinterpret_cast<void*>(filter_vm_output));
        add_options(kCreate, kCreateFiles);
        return true;
    }
    if (join_path(directory, kCacheTag, path, sizeof path) && platform.path_exists(path))
        platform.list_directory(directory, remove_other_cache, directory);
    if (!platform.path_exists(cache_file(aot ? "aot" : "jsa", path))) return attempt_cache(aot, program_size);
    if (!platform.is_private(path, false)) return leave_out(TRACE_CACHE_NOT_PRIVATE);
    platform.remove_file(cache_file("try", path));
    add_options(aot ? kUseCache : kArchive, aot ? kUseCacheFiles : kArchiveFiles);
    return true;
}

}  // namespace

bool making_startup_cache() { return kMakesStartupCache && platform.get_env(kMakerVariable) != nullptr; }

bool add_startup_cache_options(const char* program) {
    if (!kMakesStartupCache || runtime_release.family < 19) return !making_startup_cache();
    char directory[kConfigValueCapacity];
    int length = read_expanded_config(kConfigStartupCache, directory, sizeof directory);
    if (length <= 0) return length == 0 && !making_startup_cache();
    if (strchr(directory, '%') != nullptr || !is_absolute_path(directory, kOwnPathFlavour))
        return leave_out(TRACE_CACHE_NOT_ABSOLUTE);
    if (options_choose_sharing()) return leave_out(TRACE_CACHE_CLASH);
    state.program = program;
    state.base = static_cast<char*>(allocate_or_exit(2 * kPathCapacity));
    state.stem = state.base + kPathCapacity;
    return add_options_in(directory, program);
}

void note_program_status(int status) {
    state.program_ended = true;
    state.program_status = status;
}

void (*startup_cache_action())() {
    return kMakesStartupCache && state.recording ? finish_startup_cache : nullptr;
}

void finish_startup_cache() {
    char configuration[kPathCapacity];
    if (!kMakesStartupCache || !state.recording || state.finished ||
        !platform.path_exists(cache_file("aotconf", configuration)))
        return;
    state.finished = true;
    putenv(kMakerSetting);
    char* argv[] = {const_cast<char*>(state.program), nullptr};
    char* command_line = windows_command_line(1, argv);
    platform.start_detached_process(state.program, argv, command_line);
    free(command_line);
}
