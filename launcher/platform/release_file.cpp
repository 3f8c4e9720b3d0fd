#include "release_file.h"
#include "platform.h"

#include <cstdio>
#include <cstring>

bool family_version_of(const char* full, char* version, int capacity) {
    // Up to the second dot (or underscore) for the old "1.x" scheme, else up
    // to the first dot.
    size_t length;
    if (strncmp(full, "1.", 2) == 0)
        length = 2 + strcspn(full + 2, "._");
    else
        length = strcspn(full, ".");
    if (length == 0 || length >= size_t(capacity)) return false;
    memcpy(version, full, length);
    version[length] = '\0';
    return true;
}

// Room for the path of a runtime's release file.
constexpr size_t kReleasePathCapacity = 4096;

bool read_release_entry(const char* home, char separator, const char* key, char* value, int capacity) {
    char path[kReleasePathCapacity];
    size_t length = strlen(home);
    if (length + sizeof "/release" > sizeof path) return false;
    memcpy(path, home, length);
    path[length] = separator;
    strcpy(path + length + 1, "release");
    FILE* f = platform.file_open(path, "r");
    if (f == nullptr) return false;
    const size_t key_length = strlen(key);
    char line[512];
    bool found = false;
    while (fgets(line, sizeof line, f) != nullptr) {
        if (strncmp(line, key, key_length) != 0 || strncmp(line + key_length, "=\"", 2) != 0) continue;
        char* text = line + key_length + 2;
        char* end = strchr(text, '"');
        if (end != nullptr && end - text < capacity) {
            *end = '\0';
            strcpy(value, text);
            found = true;
        }
        break;
    }
    platform.file_close(f);
    return found;
}

bool read_release_family_version(const char* home, char separator, char* version, int capacity) {
    char full[128];
    return read_release_entry(home, separator, "JAVA_VERSION", full, sizeof full) &&
           family_version_of(full, version, capacity);
}
