#include "runtime.h"

#include <cstring>

#include "config.h"
#include "diagnostics.h"
#include "messages.h"
#include "platform/release_file.h"

namespace {

const char kRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment";
// Where runtimes from Java 9 on register themselves, searched in this order
// when the key above does not exist.
const char* const kModernRuntimeKeys[] = {"Software\\JavaSoft\\JRE", "Software\\JavaSoft\\JDK"};

enum SearchResult { kFound, kNotFound, kRefused };

// Copies `text` into `buffer` when it fits with its terminator.
bool copy_if_fits(const char* text, char* buffer, int capacity) {
    size_t length = strlen(text);
    if (length >= size_t(capacity)) return false;
    memcpy(buffer, text, length + 1);
    return true;
}

// Stores `directory`, a separator unless it ends with one, and `name` in
// `path`; false when that does not fit `capacity`.
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

// Checks the registered version against configured bound `id` (3 or 4).
// Returns false when the search must stop (its message printed).
bool version_within_bound(int id, float current, const char* version_text) {
    char bound_text[kConfigValueCapacity];
    if (read_config_string(id, bound_text, sizeof bound_text) == 0) return true;
    const bool is_minimum = id == kConfigMinVersion;
    float bound = parse_major_version(bound_text);
    if (!(bound > 0)) {
        print_error(is_minimum ? MSG_BAD_MIN_VERSION : MSG_BAD_MAX_VERSION, bound_text);
        return false;
    }
    if (is_minimum && bound < 1.2) bound = 1.2f;
    const bool outside = is_minimum ? current < bound : current > bound;
    if (!outside) return true;
    char message[kConfigValueCapacity];
    if (read_config_string(kConfigBadVersionMessage, message, sizeof message) == 0) return true;
    print_error(message, version_text);
    return false;
}

// Prints configuration value 8, a format text that takes no argument.
void print_no_runtime_message(const char* format) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
    print_error(format);
#pragma GCC diagnostic pop
}

bool version_in_range(const char* version_text) {
    float current = parse_major_version(version_text);
    return version_within_bound(kConfigMinVersion, current, version_text) &&
           version_within_bound(kConfigMaxVersion, current, version_text);
}

// Stores in `path` the first library of `candidates` that exists under `home`.
bool library_under_home(const char* home, const char* const* candidates, char* path, int capacity) {
    for (; *candidates != nullptr; ++candidates)
        if (join_path(home, *candidates, path, capacity) && platform.path_exists(path)) return true;
    return false;
}

// A runtime registered under `key_name`, read like the runtime key: its
// CurrentVersion, the configured range, and the version subkey's RuntimeLib,
// or else the library under the subkey's JavaHome. Silent unless refused.
SearchResult search_modern_key(const char* key_name, char* path, int capacity) {
    RegistryKey key = nullptr;
    if (!platform.registry_open(nullptr, key_name, &key)) return kNotFound;
    SearchResult result = kNotFound;
    char version[kPathCapacity];
    if (query_registry_text(key, "CurrentVersion", version, sizeof version)) {
        RegistryKey version_key = nullptr;
        if (!version_in_range(version)) {
            result = kRefused;
        } else if (platform.registry_open(key, version, &version_key)) {
            char home[kPathCapacity];
            if (query_registry_text(version_key, "RuntimeLib", path, capacity) ||
                (query_registry_text(version_key, "JavaHome", home, sizeof home) &&
                 library_under_home(home, kLibrariesUnderRegisteredHome, path, capacity)))
                result = kFound;
            platform.registry_close(version_key);
        }
    }
    platform.registry_close(key);
    return result;
}

// The runtime named by JAVA_HOME. When a version range is configured, the
// version comes from the runtime's release file and must lie in the range.
SearchResult search_java_home(char* path, int capacity) {
    const char* home = platform.get_env("JAVA_HOME");
    if (home == nullptr || home[0] == '\0') return kNotFound;
    if (!library_under_home(home, kLibrariesUnderJavaHome, path, capacity)) return kNotFound;
    char bound[kConfigValueCapacity];
    if (read_config_string(kConfigMinVersion, bound, sizeof bound) == 0 &&
        read_config_string(kConfigMaxVersion, bound, sizeof bound) == 0)
        return kFound;
    char version[kPathCapacity];
    if (!read_release_family_version(home, kPathSeparator, version, sizeof version)) return kNotFound;
    return version_in_range(version) ? kFound : kRefused;
}

// Searched only when the runtime key does not exist: the keys of newer
// runtimes, then JAVA_HOME. Prints value 8 when none yields a runtime.
bool find_runtime_elsewhere(char* path, int capacity) {
    for (const char* key_name : kModernRuntimeKeys) {
        SearchResult result = search_modern_key(key_name, path, capacity);
        if (result != kNotFound) return result == kFound;
    }
    SearchResult result = search_java_home(path, capacity);
    if (result != kNotFound) return result == kFound;
    char message[kConfigValueCapacity];
    if (read_config_string(kConfigNoRuntimeMessage, message, sizeof message) != 0) print_no_runtime_message(message);
    return false;
}

}  // namespace

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
    if (platform_path_is_absolute(value) || !get_module_directory(directory, sizeof directory))
        return copy_if_fits(value, path, capacity);
    return join_path(directory, value, path, capacity);
}

bool load_java_runtime(RuntimeEntryPoints* entry_points) {
    char path[kPathCapacity];
    char configured[kConfigValueCapacity];
    bool found = read_config_string(kConfigRuntimeLibraryPath, configured, sizeof configured) != 0 &&
                 compose_runtime_library_path(configured, path, sizeof path) && platform.path_exists(path);
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
    return true;
}

bool find_runtime_in_registry(char* path, int capacity) {
    RegistryKey key = nullptr;
    if (!platform.registry_open(nullptr, kRuntimeKey, &key)) return find_runtime_elsewhere(path, capacity);
    char version[kPathCapacity];
    if (query_registry_text(key, "CurrentVersion", version, sizeof version)) {
        if (!version_in_range(version)) {
            platform.registry_close(key);
            return false;
        }
        RegistryKey version_key = nullptr;
        if (platform.registry_open(key, version, &version_key)) {
            bool read = query_registry_text(version_key, "RuntimeLib", path, capacity);
            if (!read) print_error(MSG_RUNTIME_LIB_UNREADABLE);
            platform.registry_close(version_key);
            platform.registry_close(key);
            return read;
        }
    }
    print_error(MSG_RUNTIME_NOT_FOUND);
    print_error(MSG_NO_RECOGNIZED_VERSIONS);
    platform.registry_close(key);
    return false;
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

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The leading number of a text of two or three characters whose second is
// ".", read as strtod reads it: white space or a sign, then digits and a
// point and digits; 0 when no digit is there. strtod's general conversion
// (exponents, hexadecimal, infinities) is most of a small program's size on
// some C runtimes, and one fractional digit needs none of it: the quotient
// of two small whole numbers is rounded once, as strtod rounds the text.
double leading_decimal(const char* text) {
    char first = text[0];
    int tenths = is_digit(text[2]) ? text[2] - '0' : 0;
    if (is_digit(first)) return ((first - '0') * 10 + tenths) / 10.0;
    if (!is_digit(text[2])) return 0;
    if (first == '-') return -(tenths / 10.0);
    if (first == '+' || first == ' ' || (first >= '\t' && first <= '\r')) return tenths / 10.0;
    return 0;
}

}  // namespace

float parse_major_version(const char* text) {
    size_t length = strlen(text);
    if (length == 0) return -1;
    if (length > 3) return 0;
    // Runtimes from 9 on name their family by a whole number.
    if (strspn(text, "0123456789") == length) {
        int whole = 0;
        for (const char* p = text; *p; ++p) whole = whole * 10 + (*p - '0');
        return static_cast<float>(whole);
    }
    if (text[1] != '.') return 0;
    return static_cast<float>(leading_decimal(text));
}
