// The platform table over POSIX, with each Windows service mapped to its
// nearest equivalent:
//  - the string table is the launcher's own resource script, compiled to a
//    .res file and embedded in the executable (vandrel_resource_begin/end);
//  - the module file name is /proc/self/exe;
//  - the Java runtime's registry key is the runtime named by JAVA_HOME (or
//    /usr/lib/jvm/default-java): the key exists when that directory does, its
//    CurrentVersion is the family version from the runtime's "release" file
//    ("1.8.0_392" gives 1.8, "17.0.15" gives 17), and the subkey of that
//    version holds RuntimeLib, the path of the runtime's libjvm.so.
#include "platform.h"
#include "release_file.h"
#include "resource_decoder.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" const unsigned char vandrel_resource_begin[];
extern "C" const unsigned char vandrel_resource_end[];

namespace {

const char kRuntimeKeyName[] = "Software\\JavaSoft\\Java Runtime Environment";
const char kDefaultJavaHome[] = "/usr/lib/jvm/default-java";

const char* posix_get_env(const char* name) { return getenv(name); }

int posix_load_string(unsigned id, char* buffer, int capacity) {
    return decode_resource_string(vandrel_resource_begin, size_t(vandrel_resource_end - vandrel_resource_begin), id,
                                  buffer, capacity);
}

unsigned long posix_module_file_name(char* buffer, unsigned long capacity) {
    if (capacity == 0) return 0;
    ssize_t n = readlink("/proc/self/exe", buffer, capacity);
    if (n < 0) return 0;
    if (static_cast<unsigned long>(n) >= capacity) {  // cut, as GetModuleFileNameA does
        buffer[capacity - 1] = '\0';
        return capacity;
    }
    buffer[n] = '\0';
    return static_cast<unsigned long>(n);
}

const char* posix_raw_command_line() { return nullptr; }

void* posix_load_library(const char* path) { return dlopen(path, RTLD_NOW | RTLD_GLOBAL); }

void* posix_find_symbol(void* library, const char* name) { return dlsym(library, name); }

// An open key: the runtime's home, and for a version subkey its version.
struct PosixKey {
    std::string home;
    std::string version;  // empty for the runtime key itself
};

std::string java_home() {
    const char* home = getenv("JAVA_HOME");
    return home ? home : kDefaultJavaHome;
}

bool is_directory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_file(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The family version of the runtime at `home`; empty when it cannot be read.
std::string family_version(const std::string& home) {
    char version[64];
    return read_release_family_version(home.c_str(), '/', version, sizeof version) ? version : "";
}

std::string runtime_library(const PosixKey& key) {
#if defined(__x86_64__)
    const char* arch = "amd64";
#elif defined(__i386__)
    const char* arch = "i386";
#elif defined(__aarch64__)
    const char* arch = "aarch64";
#else
    const char* arch = "unknown";
#endif
    std::string modern = key.home + "/lib/server/libjvm.so";
    std::string legacy = key.home + "/jre/lib/" + arch + "/server/libjvm.so";
    if (key.version.compare(0, 2, "1.") == 0) return is_file(legacy) ? legacy : "";
    return is_file(modern) ? modern : "";
}

bool posix_registry_open(RegistryKey parent, const char* subkey, RegistryKey* key) {
    if (!parent) {
        if (strcmp(subkey, kRuntimeKeyName) != 0) return false;
        std::string home = java_home();
        if (!is_directory(home)) return false;
        *key = new PosixKey{home, ""};
        return true;
    }
    const PosixKey* root = static_cast<const PosixKey*>(parent);
    if (!root->version.empty()) return false;
    std::string version = family_version(root->home);
    if (version.empty() || version != subkey) return false;
    *key = new PosixKey{root->home, version};
    return true;
}

bool posix_registry_query(RegistryKey key, const char* name, unsigned long* type, unsigned char* data,
                          unsigned long* size) {
    const PosixKey* k = static_cast<const PosixKey*>(key);
    std::string text;
    if (k->version.empty() && strcmp(name, "CurrentVersion") == 0)
        text = family_version(k->home);
    else if (!k->version.empty() && strcmp(name, "RuntimeLib") == 0)
        text = runtime_library(*k);
    if (text.empty()) return false;
    unsigned long needed = static_cast<unsigned long>(text.size() + 1);
    *type = kRegistryTypeText;
    if (data) {
        if (*size < needed) {
            *size = needed;
            return false;
        }
        memcpy(data, text.c_str(), needed);
    }
    *size = needed;
    return true;
}

void posix_registry_close(RegistryKey key) { delete static_cast<PosixKey*>(key); }

bool posix_path_exists(const char* path) {
    struct stat st;
    return stat(path, &st) == 0;
}

// A file created for writing gets the executable bits that the umask allows:
// what the packager writes is a program.
FILE* posix_file_open(const char* path, const char* mode) {
    if (mode[0] != 'w') return fopen(path, mode);
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0777);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, mode);
    if (file == nullptr) close(fd);
    return file;
}

int posix_file_close(FILE* file) { return fclose(file); }

bool posix_same_file(const char* a, const char* b) {
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool posix_names_special_file(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && !S_ISREG(st.st_mode);
}

bool posix_replace_file(const char* from, const char* to) { return rename(from, to) == 0; }

bool posix_remove_file(const char* path) { return unlink(path) == 0; }

}  // namespace

// Filled by field name: two entries of the same type cannot change places unseen.
PlatformApi platform = {
    .get_env = posix_get_env,
    .load_string = posix_load_string,
    .module_file_name = posix_module_file_name,
    .raw_command_line = posix_raw_command_line,
    .load_library = posix_load_library,
    .find_symbol = posix_find_symbol,
    .registry_open = posix_registry_open,
    .registry_query = posix_registry_query,
    .registry_close = posix_registry_close,
    .path_exists = posix_path_exists,
    .file_open = posix_file_open,
    .file_close = posix_file_close,
    .same_file = posix_same_file,
    .names_special_file = posix_names_special_file,
    .replace_file = posix_replace_file,
    .remove_file = posix_remove_file,
};

const char kPathSeparator = '/';
const char kExecutableSuffix[] = "";
const char* const kLibrariesUnderRegisteredHome[] = {"lib/server/libjvm.so", "lib/client/libjvm.so", nullptr};
const char* const kLibrariesUnderJavaHome[] = {"lib/server/libjvm.so", "lib/client/libjvm.so",
                                               "jre/lib/server/libjvm.so", "jre/lib/client/libjvm.so", nullptr};

bool platform_path_is_absolute(const char* path) { return path[0] == '/'; }
