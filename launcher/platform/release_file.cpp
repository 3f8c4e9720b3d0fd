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

bool read_release_family_version(const char* home, char separator, char* version, int capacity) {
    char path[kReleasePathCapacity];
    if (snprintf(path, sizeof path, "%s%c%s", home, separator, "release") >= int(sizeof path)) return false;
    FILE* f = platform.file_open(path, "r");
    if (f == nullptr) return false;
    const char prefix[] = "JAVA_VERSION=\"";
    char line[512];
    bool found = false;
    while (!found && fgets(line, sizeof line, f) != nullptr) {
        if (strncmp(line, prefix, sizeof prefix - 1) != 0) continue;
        char* value = line + sizeof prefix - 1;
        char* end = strchr(value, '"');
        if (end == nullptr) break;
        *end = '\0';
        found = family_version_of(value, version, capacity);
        break;
    }
    platform.file_close(f);
    return found;
}
