#include "settings/startup_cache.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/config.h"
#include "base/diagnostics.h"
#include "settings/expansion.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "runtime/runtime_release.h"
#include "vm/vm_options.h"

namespace {

// The program's name and the "_" after it begin the cache's name.
struct CacheName {
    char name[kPathCapacity];
    size_t stem_length;
};

// "<program>_<runtime version>_<size>_<time>.aot" (".jsa" before Java 25),
// size and time in hexadecimal.
bool make_cache_name(const char* program, CacheName* cache) {
    FileStatus status;
    FILE* file = platform.file_open(program, "rb");
    if (file == nullptr) return false;
    bool known = platform.file_status(file, &status);
    platform.file_close(file);
    char path[kPathCapacity];
    const char* stem = program_stem(path, sizeof path);
    if (!known || stem == nullptr) return false;
    cache->stem_length = strlen(stem) + 1;
    unsigned long long time = static_cast<unsigned long long>(status.modified);
    int length = snprintf(cache->name, sizeof cache->name, "%s_%s_%lx_%lx%08lx.%s", stem, runtime_release.version,
                          static_cast<unsigned long>(status.size), static_cast<unsigned long>(time >> 32),
                          static_cast<unsigned long>(time & 0xFFFFFFFF), runtime_release.family >= 25 ? "aot" : "jsa");
    return length > 0 && size_t(length) < sizeof cache->name;
}

// Creates `path` and the directories above it that are missing.
bool make_directories(char* path) {
    for (char* p = path + 1; *p; ++p) {
        if (*p != kPathSeparator || p[-1] == ':' || p[-1] == kPathSeparator) continue;
        *p = '\0';
        platform.make_directory(path);
        *p = kPathSeparator;
    }
    return platform.make_directory(path);
}

// True when a new file can be written beside the cache file: a probe.
bool can_write(const char* cache_file) {
    char* probe = format_option("%s~", cache_file);
    platform.remove_file(probe);
    FILE* file = platform.file_create_new(probe);
    if (file != nullptr) platform.file_close(file);
    bool written = file != nullptr && platform.remove_file(probe);
    free(probe);
    return written;
}

struct Sweep {
    const char* directory;
    const CacheName* cache;
};

// Removes an older cache of the program: its name begins with the program's
// name and "_", holds exactly two more "_" (after the version and the size)
// and does not begin with the current cache's name.
void remove_older_cache(const char* name, void* context) {
    const Sweep* sweep = static_cast<const Sweep*>(context);
    const char* current = sweep->cache->name;
    size_t stem = sweep->cache->stem_length;
    if (strncmp(name, current, stem) != 0 || strncmp(name, current, strlen(current)) == 0) return;
    int separators = 0;
    for (const char* p = name + stem; *p; ++p) separators += *p == '_';
    char path[kPathCapacity];
    if (separators == 2 && join_path(sweep->directory, name, path, sizeof path)) platform.remove_file(path);
}

// The options that use the cache, or make it when it is missing.
const char kUseCache[] = "-XX:AOTCache=%s\n-Xlog:aot*=off,cds*=off";
// Making the cache prints progress lines that no logging option reaches.
const char kMakeCache[] =
    "-XX:+UnlockDiagnosticVMOptions\n-XX:-DisplayVMOutput\n-XX:AOTCacheOutput=%s\n-Xlog:aot*=off,cds*=off";
const char kArchive[] = "-XX:+AutoCreateSharedArchive\n-XX:SharedArchiveFile=%s\n-Xlog:cds*=off";

}  // namespace

bool add_startup_cache_options(const char* program) {
    if (runtime_release.family < 19) return true;
    char directory[kConfigValueCapacity];
    int length = read_expanded_config(kConfigStartupCache, directory, sizeof directory);
    if (length <= 0) return length == 0;
    CacheName cache;
    char file[kPathCapacity];
    if (!make_cache_name(program, &cache) || !join_path(directory, cache.name, file, sizeof file) ||
        !make_directories(directory))
        return true;
    Sweep sweep = {directory, &cache};
    platform.list_directory(directory, remove_older_cache, &sweep);
    const bool aot = runtime_release.family >= 25;
    const char* options = aot && platform.path_exists(file) ? kUseCache
                          : !can_write(file)                ? nullptr
                          : aot                             ? kMakeCache
                                                            : kArchive;
    if (options == nullptr) return true;
    // Lines of their own, which live as long as the process.
    size_t size = sizeof kMakeCache + strlen(file);
    char* text = static_cast<char*>(allocate_or_exit(static_cast<int>(size)));
    snprintf(text, size, options, file);
    add_vm_options_from_lines(text);
    return true;
}
