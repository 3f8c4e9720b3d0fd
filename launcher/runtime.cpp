#include "runtime.h"

#include <cstring>

#include "config.h"
#include "diagnostics.h"
#include "expansion.h"
#include "messages.h"
#include "runtime_release.h"
#include "runtime_search.h"
#include "text_rules.h"

namespace {

bool copy_if_fits(const char* text, char* buffer, int capacity) {
    return copy_text(text, strlen(text), buffer, capacity);
}

// The first version there was: a lower minimum bound is raised to it.
constexpr float kFirstJavaVersion = 2;  // 1.2

// Reads bound `id` (kConfigMinVersion or kConfigMaxVersion) into `bound`,
// which keeps its value when the bound is blank; a minimum below the first
// Java version is raised to it. False, with the message printed, when the
// bound is set but is no version.
bool read_version_bound(ConfigValueId id, float* bound) {
    char text[kConfigValueCapacity];
    if (read_config_string(id, text, sizeof text) == 0) return true;
    const bool is_minimum = id == kConfigMinVersion;
    // Checked as written: "1.1" is a version, "0" and "1.10" are not.
    if (!(parse_major_version(text) > 0)) {
        print_error(is_minimum ? MSG_BAD_MIN_VERSION : MSG_BAD_MAX_VERSION, text);
        return false;
    }
    *bound = comparable_major_version(text);
    if (is_minimum && *bound < kFirstJavaVersion) *bound = kFirstJavaVersion;
    return true;
}

enum BoundCheck { kWithinBound, kOutsideBound, kBadBound };

// Checks the registered version against values 3 and 4, the minimum first.
// A version outside counts only when value 9 is set; a bound that is no
// version has its message printed.
BoundCheck check_registered_version(const char* version_text) {
    float current = comparable_major_version(version_text);
    const bool enforced = version_range_enforced();
    VersionRange range = kAnyVersion;
    if (!read_version_bound(kConfigMinVersion, &range.minimum)) return kBadBound;
    if (enforced && current < range.minimum) return kOutsideBound;
    if (!read_version_bound(kConfigMaxVersion, &range.maximum)) return kBadBound;
    return enforced && current > range.maximum ? kOutsideBound : kWithinBound;
}

// Hands the legacy key's result to the wider search.
bool search_after_legacy(LegacyOutcome outcome, const char* version, const char* library, char* path, int capacity) {
    const LegacyResult legacy = {outcome, version, library};
    return search_further(legacy, path, capacity);
}

// Reads a text value (with `expandable`, also an expandable one) whose
// stored size is below `capacity` into `buffer`, terminated; false for any
// other value. `type` tells which of the two it was.
bool query_stored_text(RegistryKey key, const char* name, bool expandable, unsigned long* type, char* buffer,
                       int capacity) {
    unsigned long size = 0;
    if (!platform.registry_query(key, name, type, nullptr, &size)) return false;
    if (!(*type == kRegistryTypeText || (expandable && *type == kRegistryTypeExpandableText)) || capacity <= 0 ||
        size >= static_cast<unsigned long>(capacity))
        return false;
    if (!platform.registry_query(key, name, type, reinterpret_cast<unsigned char*>(buffer), &size)) return false;
    // A text stored without its terminator is not terminated by the query.
    buffer[size] = '\0';
    return true;
}

}  // namespace

const char kLegacyRegistryKey[] = "Software\\JavaSoft\\Java Runtime Environment";

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

void* load_runtime_library(const char* path) {
    // A relative path names a file in the current directory, which is about
    // to leave the search: it is loaded by its full name.
    char full[kSystemPathCapacity];
    if (!platform.full_path(path, full, sizeof full)) return platform.load_library(path);
    char directory[kSystemPathCapacity];
    strcpy(directory, full);
    char* folder = strrchr(directory, kPathSeparator);
    if (folder != nullptr) {
        *folder = '\0';
        char* above = strrchr(directory, kPathSeparator);
        if (above != nullptr) *above = '\0';
        // A drive's root keeps its separator.
        if (directory[0] != '\0' && directory[1] == ':' && directory[2] == '\0') strcpy(directory + 2, "\\");
        if (directory[0] != '\0') platform.set_library_directory(directory);
    }
    return platform.load_library(full);
}

bool load_java_runtime(RuntimeEntryPoints* entry_points) {
    char path[kSystemPathCapacity];
    char configured[kConfigValueCapacity];
    // A configured path must fit the 260 bytes on every system.
    int configured_length = read_expanded_config(kConfigRuntimeLibraryPath, configured, sizeof configured);
    if (configured_length < 0) return false;
    bool found = configured_length != 0 && compose_runtime_library_path(configured, path, kPathCapacity) &&
                 platform.path_exists(path);
    if (!found && !find_runtime_library(path, sizeof path)) return false;

    void* library = load_runtime_library(path);
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

bool find_runtime_library(char* path, int capacity) {
    RegistryKey key = nullptr;
    if (!platform.registry_open(nullptr, kLegacyRegistryKey, kRegistryMachine, kOwnRegistryView, &key))
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
        if (platform.registry_open(key, version, kRegistryMachine, kOwnRegistryView, &version_key)) {
            bool read = query_registry_path(version_key, "RuntimeLib", path, capacity);
            platform.registry_close(version_key);
            platform.registry_close(key);
            if (!read) return search_after_legacy(kLegacyRuntimeLibUnreadable, "", "", path, capacity);
            if (platform.path_exists(path)) return true;
            char missing[kSystemPathCapacity];
            if (!copy_text(path, strlen(path), missing, sizeof missing)) missing[0] = '\0';
            return search_after_legacy(kLegacyLibraryMissing, "", missing, path, capacity);
        }
    }
    platform.registry_close(key);
    return search_after_legacy(kLegacyNoVersion, "", "", path, capacity);
}

bool query_registry_text(RegistryKey key, const char* name, char* buffer, int capacity) {
    unsigned long type = 0;
    return query_stored_text(key, name, false, &type, buffer, capacity);
}

bool query_registry_path(RegistryKey key, const char* name, char* buffer, int capacity) {
    unsigned long type = 0;
    char stored[kPathCapacity];
    if (!query_stored_text(key, name, true, &type, stored, capacity < kPathCapacity ? capacity : kPathCapacity))
        return false;
    if (type == kRegistryTypeText) return copy_if_fits(stored, buffer, capacity);
    return platform.expand_environment(stored, buffer, capacity);
}

bool read_version_range(VersionRange* range) {
    *range = kAnyVersion;
    return read_version_bound(kConfigMinVersion, &range->minimum) &&
           read_version_bound(kConfigMaxVersion, &range->maximum);
}

bool version_range_enforced() {
    char message[kConfigValueCapacity];
    return read_config_string(kConfigBadVersionMessage, message, sizeof message) != 0;
}
