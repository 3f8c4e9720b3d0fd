// What the release file of the loaded Java runtime says about its version,
// read before the VM is created.
#ifndef VANDREL_LAUNCHER_RUNTIME_RUNTIME_RELEASE_H
#define VANDREL_LAUNCHER_RUNTIME_RUNTIME_RELEASE_H

struct RuntimeRelease {
    int family;        // 8 for 1.8, 25 for 25.0.3; 0 when unknown
    char version[64];  // the full version, "25.0.3+9-LTS"; empty when unknown
};

// The loaded runtime's, all unknown until read_runtime_release has found it.
extern RuntimeRelease runtime_release;

// Reads the release file of the runtime whose library is `library`: the
// first one of the library's parent directories (up to five levels) holds.
void read_runtime_release(const char* library);

// The quoted value of entry `key` (KEY="value") of the release file at the
// root of the runtime home `home`; false when the file or the entry is
// missing or the value does not fit `capacity`.
bool read_release_entry(const char* home, const char* key, char* value, int capacity);

#endif
