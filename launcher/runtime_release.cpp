#include "runtime_release.h"

#include <cstring>

#include "option_markers.h"
#include "platform/platform.h"
#include "runtime.h"
#include "runtime_search.h"

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
