// The file-system entries of the platform table over the Win32 API.
#include "platform/files.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Room for the running executable's UTF-16 name, as the system knows it.
constexpr DWORD kOwnNameCapacity = 4096;

// That name in `name` (kOwnNameCapacity units, from the heap); false when it
// cannot be had or was cut.
bool read_own_name(wchar_t* name) {
    DWORD length = name != nullptr ? GetModuleFileNameW(nullptr, name, kOwnNameCapacity) : 0;
    return length > 0 && length < kOwnNameCapacity;
}

// `name` in the ANSI code page: its length; 0 when a character has no exact
// form there (a best-fit look-alike would name another file) or it does not
// fit `capacity`.
unsigned long name_in_ansi(const wchar_t* name, char* buffer, unsigned long capacity) {
    BOOL lossy = FALSE;
    bool utf8 = GetACP() == CP_UTF8;  // which takes no such flag, and loses nothing
    int length = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, name, -1, buffer, int(capacity), nullptr,
                                     utf8 ? nullptr : &lossy);
    return length == 0 || lossy ? 0 : static_cast<unsigned long>(length - 1);
}

// The ANSI name of the running executable (see system_module_file_name).
unsigned long own_name_in_ansi(wchar_t* name, char* buffer, unsigned long capacity) {
    if (capacity == 0 || !read_own_name(name)) return 0;
    unsigned long length = name_in_ansi(name, buffer, capacity);
    if (length != 0) return length;
    // The short form names the same file, in letters every code page has.
    DWORD short_length = GetShortPathNameW(name, name, kOwnNameCapacity);
    return short_length > 0 && short_length < kOwnNameCapacity ? name_in_ansi(name, buffer, capacity) : 0;
}

wchar_t* new_name_buffer() { return static_cast<wchar_t*>(malloc(kOwnNameCapacity * sizeof(wchar_t))); }

}  // namespace

unsigned long system_module_file_name(char* buffer, unsigned long capacity) {
    wchar_t* name = new_name_buffer();
    unsigned long length = own_name_in_ansi(name, buffer, capacity);
    free(name);
    return length;
}

FILE* system_open_own_file() {
    wchar_t* name = new_name_buffer();
    FILE* file = read_own_name(name) ? _wfopen(name, L"rb") : nullptr;
    free(name);
    return file;
}

bool system_path_exists(const char* path) {
    // Wildcards would match other names; a path holding them names nothing.
    for (const char* p = path; *p; ++p)
        if (*p == '*' || *p == '?') return false;
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

FILE* system_file_open(const char* path, const char* mode) { return fopen(path, mode); }

int system_file_close(FILE* file) { return fclose(file); }

namespace {

bool file_identity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BOOL ok = GetFileInformationByHandle(h, info);
    CloseHandle(h);
    return ok != 0;
}

}  // namespace

bool system_same_file(const char* a, const char* b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!file_identity(a, &ia) || !file_identity(b, &ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

bool system_names_special_file(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool special = GetFileType(h) != FILE_TYPE_DISK;  // NUL, CON, a pipe
    CloseHandle(h);
    return special;
}

bool system_replace_file(const char* from, const char* to) {
    // An existing file keeps its attributes, security and short name.
    if (GetFileAttributesA(to) != INVALID_FILE_ATTRIBUTES &&
        ReplaceFileA(to, from, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

// A read-only file is deleted too: the Java VM writes its class-data caches so.
bool system_remove_file(const char* path) {
    if (DeleteFileA(path)) return true;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY) && DeleteFileA(path);
}

FILE* system_file_create_new(const char* path) {
    // Shared for deletion, so that the file can be removed while it is open.
    HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) _close(fd);
    return file;
}

int system_probe_writable(const char* path) {
    // The read-only attribute refuses writing to everyone (Wine maps it to
    // permission bits, which do not bind the super-user).
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return -1;
    HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return 1;
    }
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : -1;
}

bool system_file_status(FILE* file, FileStatus* status) {
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    BY_HANDLE_FILE_INFORMATION info;
    if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info)) return false;
    status->size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status->modified =
        static_cast<long long>((static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                               info.ftLastWriteTime.dwLowDateTime);
    return true;
}

// ReplaceFileA keeps the replaced file's attributes and security.
void system_adopt_attributes(FILE* file, const char* model) {}

bool system_link_target(const char* path, char* target, unsigned long capacity) {
    size_t length = strlen(path);
    if (length >= capacity) return false;
    memcpy(target, path, length + 1);
    return true;
}

namespace {

// A copy of the name to delete, or null. Copies are never freed: the handler
// may be reading the previous one on its own thread, and a process registers
// a name or two in its life.
const char* volatile interrupt_victim = nullptr;

BOOL WINAPI remove_on_console_event(DWORD event) {
    const char* victim = interrupt_victim;
    if (victim != nullptr) DeleteFileA(victim);
    return FALSE;  // the next handler ends the process as usual
}

}  // namespace

void system_remove_on_interrupt(const char* path) {
    static bool installed = false;
    char* copy = nullptr;
    if (path != nullptr) {
        size_t size = strlen(path) + 1;
        copy = static_cast<char*>(malloc(size));
        if (copy != nullptr) memcpy(copy, path, size);
    }
    interrupt_victim = copy;
    if (copy != nullptr && !installed) installed = SetConsoleCtrlHandler(remove_on_console_event, TRUE) != 0;
}

bool system_file_seek(FILE* file, unsigned long long position) {
    return position <= 0x7FFFFFFFFFFFFFFFull && _fseeki64(file, static_cast<long long>(position), SEEK_SET) == 0;
}

bool system_file_copy(FILE* in, unsigned long long position, unsigned long long length, FILE* out) {
    const size_t block = 1 << 20;
    char* buffer = static_cast<char*>(malloc(block));
    bool copied = buffer != nullptr && system_file_seek(in, position);
    while (copied && length > 0) {
        size_t chunk = length < block ? size_t(length) : block;
        copied = fread(buffer, 1, chunk, in) == chunk && fwrite(buffer, 1, chunk, out) == chunk;
        length -= chunk;
    }
    free(buffer);
    return copied;
}

bool system_is_regular_file(FILE* file) {
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    BY_HANDLE_FILE_INFORMATION info;
    return h != INVALID_HANDLE_VALUE && GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

const char kPathSeparator = '\\';
