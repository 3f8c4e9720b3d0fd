// The file-system entries of the platform table over POSIX.
#include "platform/files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

unsigned long system_module_file_name(char* buffer, unsigned long capacity) {
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

FILE* system_open_own_file() { return fopen("/proc/self/exe", "rb"); }

bool system_path_exists(const char* path) {
    struct stat st;
    return stat(path, &st) == 0;
}

// A file created for writing gets the executable bits that the umask allows:
// what the packager writes is a program.
FILE* system_file_open(const char* path, const char* mode) {
    if (mode[0] != 'w') return fopen(path, mode);
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0777);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, mode);
    if (file == nullptr) close(fd);
    return file;
}

int system_file_close(FILE* file) { return fclose(file); }

bool system_same_file(const char* a, const char* b) {
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool system_names_special_file(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && !S_ISREG(st.st_mode);
}

bool system_replace_file(const char* from, const char* to) { return rename(from, to) == 0; }

bool system_remove_file(const char* path) { return unlink(path) == 0; }

FILE* system_file_create_new(const char* path) {
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0777);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "wb");
    if (file == nullptr) close(fd);
    return file;
}

int system_probe_writable(const char* path) {
    // Non-blocking, so that a FIFO without a reader does not hang the probe.
    int fd = open(path, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        close(fd);
        return 1;
    }
    return errno == ENOENT ? 0 : -1;
}

bool system_file_status(FILE* file, FileStatus* status) {
    struct stat st;
    if (fstat(fileno(file), &st) != 0) return false;
    status->size = static_cast<unsigned long long>(st.st_size);
    status->modified = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

void system_adopt_attributes(FILE* file, const char* model) {
    struct stat st;
    if (stat(model, &st) != 0) return;
    int fd = fileno(file);
    // Where changing the owner is not permitted, the file stays the writer's.
    if (fchown(fd, st.st_uid, st.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) errno = 0;
    // The permission bits, not the set-ID bits: new contents earn no privilege.
    fchmod(fd, st.st_mode & 0777);
}

bool system_link_target(const char* path, char* target, unsigned long capacity) {
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

namespace {

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

}  // namespace

void system_remove_on_interrupt(const char* path) {
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

bool system_file_seek(FILE* file, unsigned long long position) {
    return position <= static_cast<unsigned long long>(LLONG_MAX) && fseeko(file, off_t(position), SEEK_SET) == 0;
}

bool system_file_copy(FILE* in, unsigned long long position, unsigned long long length, FILE* out) {
    if (fflush(out) != 0 || position > static_cast<unsigned long long>(LLONG_MAX)) return false;
    off_t from = off_t(position);
    bool in_kernel = true;
    char* buffer = nullptr;
    const size_t block = 1 << 20;
    while (length > 0) {
        size_t chunk = length < (1u << 30) ? size_t(length) : (1u << 30);
        ssize_t n = in_kernel ? copy_file_range(fileno(in), &from, fileno(out), nullptr, chunk, 0) : -1;
        if (n < 0 && in_kernel && (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP)) {
            in_kernel = false;  // a system or file system without it
            buffer = static_cast<char*>(malloc(block));
            if (buffer == nullptr) return false;
            continue;
        }
        if (!in_kernel) {
            n = pread(fileno(in), buffer, chunk < block ? chunk : block, from);
            if (n > 0 && write(fileno(out), buffer, size_t(n)) != n) n = -1;
            from += n > 0 ? n : 0;
        }
        if (n <= 0) break;
        length -= static_cast<unsigned long long>(n);
    }
    free(buffer);
    return length == 0 && fseeko(out, 0, SEEK_END) == 0;
}

bool system_is_regular_file(FILE* file) {
    struct stat st;
    return fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
}

const char kPathSeparator = '/';
