#include "runtime.h"

#include <cstring>

#include "config.h"
#include "diagnostics.h"
#include "expansion.h"
#include "message_format.h"
#include "messages.h"
#include "runtime_release.h"
#include "runtime_search.h"

namespace {

const char kRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment";

enum BoundCheck { kWithinBound, kOutsideBound, kBadBound };

// Checks the registered version against configured bound `id` (3 or 4). A
// version outside it counts only when value 9 is set; a bound that is no
// version has its message printed.
BoundCheck check_bound(int id, float current) {
    char bound_text[kConfigValueCapacity];
    if (read_config_string(id, bound_text, sizeof bound_text) == 0) return kWithinBound;
    const bool is_minimum = id == kConfigMinVersion;
    float bound = parse_major_version(bound_text);
    if (!(bound > 0)) {
        print_error(is_minimum ? MSG_BAD_MIN_VERSION : MSG_BAD_MAX_VERSION, bound_text);
        return kBadBound;
    }
    if (is_minimum && bound < kFirstJavaVersion) bound = kFirstJavaVersion;
    const bool outside = is_minimum ? current < bound : current > bound;
    if (!outside) return kWithinBound;
    char message[kConfigValueCapacity];
    return read_config_string(kConfigBadVersionMessage, message, sizeof message) == 0 ? kWithinBound : kOutsideBound;
}

BoundCheck check_registered_version(const char* version_text) {
    float current = parse_major_version(version_text);
    BoundCheck minimum = check_bound(kConfigMinVersion, current);
    return minimum != kWithinBound ? minimum : check_bound(kConfigMaxVersion, current);
}

// Hands the legacy key's result to the wider search.
bool search_after_legacy(LegacyOutcome outcome, const char* version, const char* library, char* path, int capacity) {
    LegacyResult legacy;
    legacy.outcome = outcome;
    copy_text(version, strlen(version), legacy.version, sizeof legacy.version);
    copy_text(library, strlen(library), legacy.library, sizeof legacy.library);
    return search_further(legacy, path, capacity);
}

}  // namespace

bool join_path(const char* directory, const char* name, char* path, int capacity) {
    size_t dir_length = strlen(directory);
    bool add_separator = dir_length == 0 || directory[dir_length - 1] != kPathSeparator;
    size_t needed = dir_length + (add_separator ? 1 : 0) + strlen(name) + 1;
    if (needed > size_t(capacity)) return false;
    memcpy(path, directory, dir_length);
    if (add_separator) path[dir_length++] = kPathSeparator;
    strcpy(path + dir_length, name);
    return true;
}

bool get_module_directory(char* buffer, int capacity) {
    if (capacity <= 0) return false;
    unsigned long length = platform.module_file_name(buffer, static_cast<unsigned long>(capacity));
    if (length == 0 || length >= static_cast<unsigned long>(capacity)) return false;
    buffer[length] = '\0';
    char* last = strrchr(buffer, kPathSeparator);
    if (last == nullptr) return false;
    *last = '\0';
    return true;
}

bool compose_runtime_library_path(const char* value, char* path, int capacity) {
    char directory[kPathCapacity];
    if (platform_path_is_absolute(value)) return copy_text(value, strlen(value), path, capacity);
    // Never against the current directory: a library planted there would load.
    if (!get_module_directory(directory, sizeof directory)) return false;
    return join_path(directory, value, path, capacity);
}

bool load_java_runtime(RuntimeEntryPoints* entry_points) {
    char path[kPathCapacity];
    char configured[kConfigValueCapacity];
    int configured_length = read_expanded_config(kConfigRuntimeLibraryPath, configured, sizeof configured);
    if (configured_length < 0) return false;
    bool found = configured_length != 0 && compose_runtime_library_path(configured, path, sizeof path) &&
                 platform.path_exists(path);
    if (!found && !find_runtime_in_registry(path, sizeof path)) return false;

    void* library = platform.load_library(path);
    if (library == nullptr) {
        print_error(MSG_ERROR_LOADING, path);
        return false;
    }
    entry_points->create_vm = reinterpret_cast<CreateJavaVmFunction>(platform.find_symbol(library, "JNI_CreateJavaVM"));
    entry_points->get_default_init_args =
        reinterpret_cast<GetDefaultInitArgsFunction>(platform.find_symbol(library, "JNI_GetDefaultJavaVMInitArgs"));
    if (entry_points->create_vm == nullptr || entry_points->get_default_init_args == nullptr) {
        print_error(MSG_NO_JNI_INTERFACES, path);
        return false;
    }
    read_runtime_release(path);
    return true;
}

bool find_runtime_in_registry(char* path, int capacity) {
    RegistryKey key = nullptr;
    if (!platform.registry_open(nullptr, kRuntimeKey, &key))
        return search_after_legacy(kLegacyKeyAbsent, "", "", path, capacity);
    char version[kPathCapacity];
    if (query_registry_text(key, "CurrentVersion", version, sizeof version)) {
        BoundCheck check = check_registered_version(version);
        if (check != kWithinBound) {
            platform.registry_close(key);
            if (check == kBadBound) return false;
            return search_after_legacy(kLegacyOutsideRange, version, "", path, capacity);
        }
        RegistryKey version_key = nullptr;
        if (platform.registry_open(key, version, &version_key)) {
            bool read = query_registry_text(version_key, "RuntimeLib", path, capacity);
            platform.registry_close(version_key);
            platform.registry_close(key);
            if (!read) return search_after_legacy(kLegacyRuntimeLibUnreadable, "", "", path, capacity);
            if (platform.path_exists(path)) return true;
            char missing[kPathCapacity];
            copy_text(path, strlen(path), missing, sizeof missing);
            return search_after_legacy(kLegacyLibraryMissing, "", missing, path, capacity);
        }
    }
    platform.registry_close(key);
    return search_after_legacy(kLegacyNoVersion, "", "", path, capacity);
}

bool query_registry_text(RegistryKey key, const char* name, char* buffer, int capacity) {
    unsigned long type = 0;
    unsigned long size = 0;
    if (!platform.registry_query(key, name, &type, nullptr, &size)) return false;
    if (type != kRegistryTypeText || capacity <= 0 || size >= static_cast<unsigned long>(capacity)) return false;
    if (!platform.registry_query(key, name, &type, reinterpret_cast<unsigned char*>(buffer), &size)) return false;
    // A text stored without its terminator is not terminated by the query.
    buffer[size] = '\0';
    return true;
}
