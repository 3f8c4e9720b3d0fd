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
#include "pe_headers.h"
#include "platform/files.h"
#include "resource_decoder.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
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

// True when `path` is a directory of this user that no other user can write
// (its group only when that is the user's own):
// a lock file there cannot have been made or held by somebody else.
bool is_private_directory(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & S_IWOTH) == 0 && ((st.st_mode & S_IWGRP) == 0 || st.st_gid == getegid());
}

// The lock file lies in the user's runtime directory, else in the cache
// directory, else (a service without either) in a folder of /tmp named after
// the user. A folder another user can write gives no lock, so that nobody
// else can keep the program from starting. flock locks go with the process,
// so that a crash frees them; the descriptor is not inherited by the
// processes the VM starts.
int posix_hold_instance_lock(const char* name) {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    const char* cache = posix_get_env("XDG_CACHE_HOME");
    std::string path = runtime && *runtime ? runtime
                       : cache && *cache   ? cache
                                           : "/tmp/vandrel-" + std::to_string(geteuid());
    mkdir(path.c_str(), 0700);
    if (!is_private_directory(path)) return -1;
    path += '/';
    for (const char* p = name; *p; ++p) path += *p == '/' ? '_' : *p;
    path += ".lock";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 1;  // held until the process ends
    int result = errno == EWOULDBLOCK ? 0 : -1;
    close(fd);
    return result;
}

bool posix_is_private(const char* path, bool directory) {
    struct stat st;
    if (lstat(path, &st) != 0 || (directory ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode))) return false;
    return st.st_uid == geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool posix_make_private_directory(const char* path) { return mkdir(path, 0700) == 0; }

unsigned long long posix_free_space(const char* path) {
    struct statvfs st;
    if (statvfs(path, &st) != 0) return 0;
    return static_cast<unsigned long long>(st.f_bavail) * st.f_frsize;
}

// Forks twice so that the program belongs to no session of ours and no
// process waits for it; only async-signal-safe calls come between fork and exec.
bool posix_start_detached_process(const char* program, char* const* argv, const char*) {
    pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        pid_t grandchild = setsid() < 0 ? -1 : fork();
        if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
        int null = open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd) dup2(null, fd);
        for (int fd = 3; fd < 1024; ++fd) close(fd);
        setpriority(PRIO_PROCESS, 0, 19);
        execv(program, argv);
        _exit(127);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void posix_vm_print(FILE* stream, const char* format, va_list args) { vfprintf(stream, format, args); }

void posix_list_directory(const char* path, void (*visit)(const char* name, void* context), void* context) {
    DIR* dir = opendir(path);
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir))
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) visit(entry->d_name, context);
    closedir(dir);
}

// The terminal's interrupt reaches the whole process group: it ends the
// child while this process waits on.
int posix_run_child(const char* program, char* const* argv, const char*) {
    struct sigaction ignore, old_interrupt, old_quit;
    memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, &old_interrupt);
    sigaction(SIGQUIT, &ignore, &old_quit);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        sigaction(SIGINT, &old_interrupt, nullptr);
        sigaction(SIGQUIT, &old_quit, nullptr);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() == parent) execv(program, argv);
        _exit(127);
    }
    int status = 0;
    pid_t waited = child > 0 ? waitpid(child, &status, 0) : -1;
    while (waited < 0 && child > 0 && errno == EINTR) waited = waitpid(child, &status, 0);
    sigaction(SIGINT, &old_interrupt, nullptr);
    sigaction(SIGQUIT, &old_quit, nullptr);
    if (waited < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool posix_gui_program() { return false; }

}  // namespace

// Filled by field name: two entries of the same type cannot change places unseen.
PlatformApi platform = {
    .get_env = posix_get_env,
    .load_string = posix_load_string,
    .module_file_name = system_module_file_name,
    .open_own_file = system_open_own_file,
    .raw_command_line = posix_raw_command_line,
    .load_library = posix_load_library,
    .find_symbol = posix_find_symbol,
    .set_library_directory = posix_set_library_directory,
    .registry_open = posix_registry_open,
    .registry_query = posix_registry_query,
    .registry_close = posix_registry_close,
    .registry_subkey = posix_registry_subkey,
    .expand_environment = posix_expand_environment,
    VANDREL_FILE_SYSTEM_ENTRIES,
    .full_path = posix_full_path,
    .write_error = posix_write_error,
    .console_state = posix_console_state,
    .change_directory = posix_change_directory,
    .make_directory = posix_make_directory,
    .hold_instance_lock = posix_hold_instance_lock,
    .is_private = posix_is_private,
    .make_private_directory = posix_make_private_directory,
    .free_space = posix_free_space,
    .start_detached_process = posix_start_detached_process,
    .vm_print = posix_vm_print,
    .list_directory = posix_list_directory,
    .run_child = posix_run_child,
    .gui_program = posix_gui_program,
};

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

const char kJavaLauncher[] = "bin/java";
const char kJavaGuiLauncher[] = "bin/java";
const char kPathListSeparator = ':';
const char* kWellKnownJavaHomes[] = {kDefaultJavaHome, nullptr};

ImageEndResult platform_measure_image(const unsigned char* head, size_t size, ImageExtent* extent) {
    return measure_elf_image(head, size, extent);
}

unsigned platform_machine_type(const unsigned char* head, size_t size) {
    // PE too: the registry search, run here over a scripted registry, meets
    // Windows libraries.
    uint16_t pe_machine = 0;
    uint64_t needed = 0;
    if (read_pe_machine(head, size, &pe_machine, &needed) == kPeRead) return pe_machine;
    if (size < 20 || memcmp(head,
                            "\x7f"
                            "ELF",
                            4) != 0)
        return 0;
    unsigned elf = head[5] == 2 ? (head[18] << 8 | head[19]) : (head[18] | head[19] << 8);
    switch (elf) {
        case 3:
            return 0x014C;
        case 62:
            return 0x8664;
        case 183:
            return 0xAA64;
        default:
            return 0x10000 + elf;  // never equal to a PE machine
    }
}
