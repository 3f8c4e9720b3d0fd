#include "runtime/runtime.h"

#include <cstring>

#include "settings/config.h"
#include "base/diagnostics.h"
#include "settings/expansion.h"
#include "base/messages.h"
#include "runtime/runtime_release.h"
#include "runtime/runtime_search.h"
#include "base/text_rules.h"

namespace {

// Hands the legacy key's result to the wider search.
bool search_after_legacy(LegacyOutcome outcome, const char* version, const char* library, char* path, int capacity) {
    const LegacyResult legacy = {outcome, version, library};
    return search_further(legacy, path, capacity);
}

}  // namespace

bool compose_runtime_library_path(const char* value, char* path, int capacity) {
    char directory[kPathCapacity];
    if (is_absolute_path(value, kOwnPathFlavour)) return copy_text(value, strlen(value), path, capacity);
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
    if (separate_java == nullptr &&
        read_config_choice(kConfigSeparateProcess, kSeparateProcessChoices) == kSeparateAlways)
        separate_java = find_java_launcher(path);
    // A runtime run as a separate process is not loaded here.
    if (separate_java != nullptr) {
        read_runtime_release(path);
        return true;
    }

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
