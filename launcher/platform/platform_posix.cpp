// The platform table over POSIX, with each Windows service mapped to its
// nearest equivalent:
//  - the string table is the launcher's own resource script, compiled to a
//    .res file and embedded in the executable (vandrel_resource_begin/end),
//    and its texts come in the charset of the locale, as Windows gives them
//    in the ANSI code page;
//  - the module file name is /proc/self/exe;
//  - there is no registry: every key is absent, and the runtime is found
//    through JAVA_HOME, /usr/lib/jvm/default-java and java on PATH.
#include "platform.h"
#include "resource_decoder.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" const unsigned char vandrel_resource_begin[];
extern "C" const unsigned char vandrel_resource_end[];

namespace {

const char kDefaultJavaHome[] = "/usr/lib/jvm/default-java";

const char* posix_get_env(const char* name) {
    const char* value = getenv(name);
    static std::string cache_home;
    const char* home = getenv("HOME");
    if ((value == nullptr || *value == '\0') && strcmp(name, "XDG_CACHE_HOME") == 0 && home != nullptr)
        return (cache_home = std::string(home) + "/.cache").c_str();
    return value;
}

// The string table's UTF-16 text in the charset of the locale that the
// environment names (LC_ALL, LC_CTYPE, LANG), as LoadStringA gives it in the
// ANSI code page: cut to whole characters within capacity - 1 bytes, with
// "?" for a character the charset lacks. Code page 1252 when the charset has
// no converter.
int posix_load_string(unsigned id, char* buffer, int capacity) {
    const size_t size = size_t(vandrel_resource_end - vandrel_resource_begin);
    const unsigned char* text = nullptr;
    size_t length = 0;
    buffer[0] = '\0';
    if (!find_resource_string(vandrel_resource_begin, size, id, &text, &length)) return 0;
    locale_t environment_locale = newlocale(LC_CTYPE_MASK, "", locale_t(0));
    const char* charset = environment_locale ? nl_langinfo_l(CODESET, environment_locale) : "ANSI_X3.4-1968";
    iconv_t converter = iconv_open(charset, "UTF-16LE");
    if (environment_locale) freelocale(environment_locale);
    if (converter == iconv_t(-1)) return decode_resource_string(vandrel_resource_begin, size, id, buffer, capacity);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text));
    size_t in_left = 2 * length;
    char* out = buffer;
    size_t out_left = size_t(capacity - 1);
    while (in_left > 0 && iconv(converter, &in, &in_left, &out, &out_left) == size_t(-1) && errno != E2BIG) {
        // A character the charset lacks, or a lone surrogate.
        size_t skip = in_left < 2 ? in_left : 2;
        in += skip;
        in_left -= skip;
        if (out_left == 0) break;
        *out++ = '?';
        --out_left;
    }
    iconv_close(converter);
    *out = '\0';
    return int(out - buffer);
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

void posix_set_library_directory(const char*) {}

bool posix_registry_open(RegistryKey, const char*, RegistryRoot, RegistryView, RegistryKey*) { return false; }

bool posix_registry_query(RegistryKey, const char*, unsigned long*, unsigned char*, unsigned long*) { return false; }

void posix_registry_close(RegistryKey) {}

bool posix_registry_subkey(RegistryKey, unsigned long, char*, unsigned long) { return false; }

// Without a registry there are no expandable texts to expand: the text as it is.
bool posix_expand_environment(const char* text, char* buffer, int capacity) {
    size_t length = strlen(text);
    if (length >= size_t(capacity)) return false;
    memcpy(buffer, text, length + 1);
    return true;
}

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

FILE* posix_file_create_new(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0777);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "wb");
    if (file == nullptr) close(fd);
    return file;
}

int posix_probe_writable(const char* path) {
    // Non-blocking, so that a FIFO without a reader does not hang the probe.
    int fd = open(path, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        close(fd);
        return 1;
    }
    return errno == ENOENT ? 0 : -1;
}

bool posix_file_status(FILE* file, FileStatus* status) {
    struct stat st;
    if (fstat(fileno(file), &st) != 0) return false;
    status->size = static_cast<unsigned long long>(st.st_size);
    status->modified = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

void posix_adopt_attributes(FILE* file, const char* model) {
    struct stat st;
    if (stat(model, &st) != 0) return;
    int fd = fileno(file);
    // Where changing the owner is not permitted, the file stays the writer's.
    if (fchown(fd, st.st_uid, st.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) errno = 0;
    // The permission bits, not the set-ID bits: new contents earn no privilege.
    fchmod(fd, st.st_mode & 0777);
}

bool posix_link_target(const char* path, char* target, unsigned long capacity) {
    struct stat st;
    size_t length = strlen(path);
    if (lstat(path, &st) != 0 || !S_ISLNK(st.st_mode)) {
        if (length >= capacity) return false;
        memcpy(target, path, length + 1);
        return true;
    }
    if (stat(path, &st) == 0) {
        // The links reach an existing file: its own name, which must lead to
        // that same file (a link of /proc may name no path at all).
        char resolved[PATH_MAX];
        struct stat reached;
        if (realpath(path, resolved) == nullptr || stat(resolved, &reached) != 0 || reached.st_dev != st.st_dev ||
            reached.st_ino != st.st_ino || strlen(resolved) >= capacity)
            return false;
        memcpy(target, resolved, strlen(resolved) + 1);
        return true;
    }
    // A dangling link: follow the chain to the name that does not exist.
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        char text[PATH_MAX];
        ssize_t n = readlink(current.c_str(), text, sizeof text - 1);
        if (n <= 0) return false;
        text[n] = '\0';
        if (text[0] == '/') {
            current = text;
        } else {
            size_t slash = current.rfind('/');
            current = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + text;
        }
        if (lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT || current.size() >= capacity) return false;
            memcpy(target, current.c_str(), current.size() + 1);
            return true;
        }
        if (!S_ISLNK(st.st_mode)) return false;
    }
    return false;
}

// The file deleted on interruption, and the actions that were in place.
char interrupt_victim[PATH_MAX];
const int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous_actions[3];
bool interrupt_guarded = false;

void remove_and_end(int signal_number) {
    unlink(interrupt_victim);
    struct sigaction original;
    memset(&original, 0, sizeof original);
    original.sa_handler = SIG_DFL;
    sigaction(signal_number, &original, nullptr);
    raise(signal_number);
}

void posix_remove_on_interrupt(const char* path) {
    if (path == nullptr || strlen(path) >= sizeof interrupt_victim) {
        if (interrupt_guarded)
            for (int i = 0; i < 3; ++i) sigaction(kInterruptSignals[i], &previous_actions[i], nullptr);
        interrupt_guarded = false;
        interrupt_victim[0] = '\0';
        return;
    }
    strcpy(interrupt_victim, path);
    if (interrupt_guarded) return;
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = remove_and_end;
    sigfillset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) sigaction(kInterruptSignals[i], &action, &previous_actions[i]);
    interrupt_guarded = true;
}

bool posix_full_path(const char* path, char* buffer, int capacity) {
    char* resolved = realpath(path, nullptr);
    if (resolved == nullptr) return false;
    size_t length = strlen(resolved);
    bool fits = length < size_t(capacity);
    if (fits) memcpy(buffer, resolved, length + 1);
    free(resolved);
    return fits;
}

void posix_write_error(const char* text, int length) {
    fwrite(text, 1, size_t(length), stderr);
    fflush(stderr);
}

// A terminal outlives the program: none is made for one process alone.
ConsoleState posix_console_state() {
    ConsoleState state;
    state.processes = 0;
    state.input_is_console = isatty(0) == 1;
    return state;
}

bool posix_change_directory(const char* path) { return chdir(path) == 0; }

bool posix_make_directory(const char* path) {
    struct stat st;
    return mkdir(path, 0777) == 0 || (errno == EEXIST && stat(path, &st) == 0 && S_ISDIR(st.st_mode));
}

// The lock file lies in the user's runtime directory, else in the cache
// directory. flock locks go with the process, so that a crash frees them; the
// descriptor is not inherited by the processes the VM starts.
int posix_hold_instance_lock(const char* name) {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    const char* cache = getenv("XDG_CACHE_HOME");
    const char* home = getenv("HOME");
    std::string path = runtime && *runtime ? runtime
                       : cache && *cache   ? cache
                       : home              ? std::string(home) + "/.cache"
                                           : "/tmp";
    mkdir(path.c_str(), 0700);
    path += '/';
    for (const char* p = name; *p; ++p) path += *p == '/' ? '_' : *p;
    path += ".lock";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 1;  // held until the process ends
    int result = errno == EWOULDBLOCK ? 0 : -1;
    close(fd);
    return result;
}

void posix_list_directory(const char* path, void (*visit)(const char* name, void* context), void* context) {
    DIR* dir = opendir(path);
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir))
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) visit(entry->d_name, context);
    closedir(dir);
}

}  // namespace

// Filled by field name: two entries of the same type cannot change places unseen.
PlatformApi platform = {
    .get_env = posix_get_env,
    .load_string = posix_load_string,
    .module_file_name = posix_module_file_name,
    .raw_command_line = posix_raw_command_line,
    .load_library = posix_load_library,
    .find_symbol = posix_find_symbol,
    .set_library_directory = posix_set_library_directory,
    .registry_open = posix_registry_open,
    .registry_query = posix_registry_query,
    .registry_close = posix_registry_close,
    .registry_subkey = posix_registry_subkey,
    .expand_environment = posix_expand_environment,
    .path_exists = posix_path_exists,
    .file_open = posix_file_open,
    .file_close = posix_file_close,
    .same_file = posix_same_file,
    .names_special_file = posix_names_special_file,
    .replace_file = posix_replace_file,
    .remove_file = posix_remove_file,
    .file_create_new = posix_file_create_new,
    .probe_writable = posix_probe_writable,
    .file_status = posix_file_status,
    .adopt_attributes = posix_adopt_attributes,
    .link_target = posix_link_target,
    .remove_on_interrupt = posix_remove_on_interrupt,
    .full_path = posix_full_path,
    .write_error = posix_write_error,
    .console_state = posix_console_state,
    .change_directory = posix_change_directory,
    .make_directory = posix_make_directory,
    .hold_instance_lock = posix_hold_instance_lock,
    .list_directory = posix_list_directory,
};

const char kPathSeparator = '/';
const char kExecutableSuffix[] = "";
// A runtime before 9 keeps its library under its architecture's name.
#if defined(__x86_64__)
#define VANDREL_JAVA_ARCH "amd64"
#elif defined(__i386__)
#define VANDREL_JAVA_ARCH "i386"
#else
#define VANDREL_JAVA_ARCH "aarch64"
#endif
const char* const kLibrariesUnderJavaHome[] = {
    "lib/server/libjvm.so",     "lib/client/libjvm.so",     "jre/lib/" VANDREL_JAVA_ARCH "/server/libjvm.so",
    "jre/lib/server/libjvm.so", "jre/lib/client/libjvm.so", nullptr};

const char kPathListSeparator = ':';
const char* kWellKnownJavaHomes[] = {kDefaultJavaHome, nullptr};

ImageEndResult platform_measure_image(const unsigned char* head, size_t size, ImageExtent* extent) {
    return measure_elf_image(head, size, extent);
}

bool platform_path_is_absolute(const char* path) { return path[0] == '/'; }
