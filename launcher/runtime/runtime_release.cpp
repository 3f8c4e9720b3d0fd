#include "runtime/runtime_release.h"

#include <cstring>

#include "settings/option_markers.h"
#include "platform/platform.h"
#include "base/paths.h"
#include "base/text_rules.h"

RuntimeRelease runtime_release = {0, ""};

void read_runtime_release(const char* library) {
    char home[kSystemPathCapacity];
    if (strlen(library) >= sizeof home) return;
    strcpy(home, library);
    for (int level = 0; level < 5; ++level) {
        char* separator = strrchr(home, kPathSeparator);
        if (separator == nullptr) return;
        *separator = '\0';
        RuntimeRelease& r = runtime_release;
        if (read_release_entry(home, "JAVA_VERSION", r.version, sizeof r.version)) {
            r.family = family_of(r.version);
            // The runtime's own build, where the file names it.
            read_release_entry(home, "JAVA_RUNTIME_VERSION", r.version, sizeof r.version);
            return;
        }
    }
}

bool read_release_entry(const char* home, const char* key, char* value, int capacity) {
    char path[kSystemPathCapacity];
    if (!join_path(home, "release", path, sizeof path)) return false;
    FILE* file = platform.file_open(path, "r");
    if (file == nullptr) return false;
    const size_t key_length = strlen(key);
    char line[512];
    bool found = false;
    while (fgets(line, sizeof line, file) != nullptr) {
        if (strncmp(line, key, key_length) != 0 || strncmp(line + key_length, "=\"", 2) != 0) continue;
        const char* text = line + key_length + 2;
        const char* end = strchr(text, '"');
        found = end != nullptr && copy_text(text, size_t(end - text), value, capacity);
        break;
    }
    platform.file_close(file);
    return found;
}
