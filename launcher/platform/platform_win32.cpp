// The platform table over the Win32 API.
#include "platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdlib>
#include <cstring>

namespace {

const char* win32_get_env(const char* name) { return getenv(name); }

int win32_load_string(unsigned id, char* buffer, int capacity) {
    return LoadStringA(GetModuleHandleA(nullptr), id, buffer, capacity);
}

unsigned long win32_module_file_name(char* buffer, unsigned long capacity) {
    return GetModuleFileNameA(nullptr, buffer, capacity);
}

const char* win32_raw_command_line() { return GetCommandLineA(); }

void* win32_load_library(const char* path) { return reinterpret_cast<void*>(LoadLibraryA(path)); }

void* win32_find_symbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void win32_set_library_directory(const char* directory) { SetDllDirectoryA(directory); }

bool win32_registry_open(RegistryKey parent, const char* subkey, RegistryRoot root, RegistryView view,
                         RegistryKey* key) {
    HKEY base = parent ? static_cast<HKEY>(parent) : root == kRegistryUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    REGSAM access = KEY_READ | (view == kRegistryView32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
    HKEY opened = nullptr;
    if (RegOpenKeyExA(base, subkey, 0, access, &opened) != ERROR_SUCCESS) return false;
    *key = opened;
    return true;
}

bool win32_registry_query(RegistryKey key, const char* name, unsigned long* type, unsigned char* data,
                          unsigned long* size) {
    DWORD value_type = 0;
    DWORD value_size = *size;
    LONG result = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &value_type, data, &value_size);
    *type = value_type;
    *size = value_size;
    return result == ERROR_SUCCESS;
}

void win32_registry_close(RegistryKey key) { RegCloseKey(static_cast<HKEY>(key)); }

bool win32_path_exists(const char* path) {
    // Wildcards would match other names; a path holding them names nothing.
    for (const char* p = path; *p; ++p)
        if (*p == '*' || *p == '?') return false;
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

FILE* win32_file_open(const char* path, const char* mode) { return fopen(path, mode); }

int win32_file_close(FILE* file) { return fclose(file); }

bool file_identity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BOOL ok = GetFileInformationByHandle(h, info);
    CloseHandle(h);
    return ok != 0;
}

bool win32_same_file(const char* a, const char* b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!file_identity(a, &ia) || !file_identity(b, &ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

bool win32_names_special_file(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool special = GetFileType(h) != FILE_TYPE_DISK;  // NUL, CON, a pipe
    CloseHandle(h);
    return special;
}

bool win32_replace_file(const char* from, const char* to) {
    // An existing file keeps its attributes, security and short name.
    if (GetFileAttributesA(to) != INVALID_FILE_ATTRIBUTES &&
        ReplaceFileA(to, from, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool win32_remove_file(const char* path) { return DeleteFileA(path) != 0; }

FILE* win32_file_create_new(const char* path) {
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

int win32_probe_writable(const char* path) {
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

bool win32_file_status(FILE* file, FileStatus* status) {
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
void win32_adopt_attributes(FILE* file, const char* model) {}

bool win32_link_target(const char* path, char* target, unsigned long capacity) {
    size_t length = strlen(path);
    if (length >= capacity) return false;
    memcpy(target, path, length + 1);
    return true;
}

char interrupt_victim[MAX_PATH];

BOOL WINAPI remove_on_console_event(DWORD event) {
    if (interrupt_victim[0] != '\0') DeleteFileA(interrupt_victim);
    return FALSE;  // the next handler ends the process as usual
}

void win32_remove_on_interrupt(const char* path) {
    static bool installed = false;
    if (path == nullptr || strlen(path) >= sizeof interrupt_victim) {
        interrupt_victim[0] = '\0';
        return;
    }
    strcpy(interrupt_victim, path);
    if (!installed) installed = SetConsoleCtrlHandler(remove_on_console_event, TRUE) != 0;
}

bool win32_registry_subkey(RegistryKey key, unsigned long index, char* name, unsigned long capacity) {
    DWORD size = capacity;
    LONG result = RegEnumKeyExA(static_cast<HKEY>(key), index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA && capacity > 0) {
        name[0] = '\0';
        return true;
    }
    return result == ERROR_SUCCESS;
}

bool win32_expand_environment(const char* text, char* buffer, int capacity) {
    DWORD length = ExpandEnvironmentStringsA(text, buffer, static_cast<DWORD>(capacity));
    return length > 0 && length <= static_cast<DWORD>(capacity);
}

bool win32_full_path(const char* path, char* buffer, int capacity) {
    DWORD length = GetFullPathNameA(path, static_cast<DWORD>(capacity), buffer, nullptr);
    return length > 0 && length < static_cast<DWORD>(capacity);
}

// Error texts of a process without standard error, shown when it ends.
char* pending_errors = nullptr;
size_t pending_length = 0;

void show_pending_errors() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const char* title = "vandrel";
    if (length > 0 && length < sizeof path) {
        const char* slash = strrchr(path, '\\');
        title = slash ? slash + 1 : path;
    }
    MessageBoxA(nullptr, pending_errors, title, MB_OK | MB_ICONERROR);
}

void win32_write_error(const char* text, int length) {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        fwrite(text, 1, size_t(length), stderr);
        fflush(stderr);
        return;
    }
    char* grown = static_cast<char*>(realloc(pending_errors, pending_length + size_t(length) + 1));
    if (grown == nullptr) return;
    if (pending_errors == nullptr) atexit(show_pending_errors);
    pending_errors = grown;
    memcpy(pending_errors + pending_length, text, size_t(length));
    pending_length += size_t(length);
    pending_errors[pending_length] = '\0';
}

ConsoleState win32_console_state() {
    DWORD processes[2];
    DWORD mode = 0;
    ConsoleState state;
    state.processes = int(GetConsoleProcessList(processes, 2));  // the count, even past the room given
    state.input_is_console = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
    return state;
}

bool win32_change_directory(const char* path) { return SetCurrentDirectoryA(path) != 0; }

bool win32_make_directory(const char* path) {
    if (CreateDirectoryA(path, nullptr)) return true;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A mutex of the session's namespace, never closed: the system closes it when
// the process ends, however it ends, and child processes do not inherit it.
// A name holding a backslash names no mutex: no lock.
int win32_hold_instance_lock(const char* name) {
    char full[MAX_PATH];
    if (snprintf(full, sizeof full, "Local\\%s", name) >= int(sizeof full)) return -1;
    if (CreateMutexA(nullptr, FALSE, full) == nullptr) return GetLastError() == ERROR_ACCESS_DENIED ? 0 : -1;
    return GetLastError() == ERROR_ALREADY_EXISTS ? 0 : 1;
}

void win32_list_directory(const char* path, void (*visit)(const char* name, void* context), void* context) {
    char pattern[MAX_PATH];
    size_t length = strlen(path);
    if (length + 3 > sizeof pattern) return;
    memcpy(pattern, path, length);
    memcpy(pattern + length, "\\*", 3);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0) visit(found.cFileName, context);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

// Filled by field name: two entries of the same type cannot change places unseen.
PlatformApi platform = {
    .get_env = win32_get_env,
    .load_string = win32_load_string,
    .module_file_name = win32_module_file_name,
    .raw_command_line = win32_raw_command_line,
    .load_library = win32_load_library,
    .find_symbol = win32_find_symbol,
    .set_library_directory = win32_set_library_directory,
    .registry_open = win32_registry_open,
    .registry_query = win32_registry_query,
    .registry_close = win32_registry_close,
    .registry_subkey = win32_registry_subkey,
    .expand_environment = win32_expand_environment,
    .path_exists = win32_path_exists,
    .file_open = win32_file_open,
    .file_close = win32_file_close,
    .same_file = win32_same_file,
    .names_special_file = win32_names_special_file,
    .replace_file = win32_replace_file,
    .remove_file = win32_remove_file,
    .file_create_new = win32_file_create_new,
    .probe_writable = win32_probe_writable,
    .file_status = win32_file_status,
    .adopt_attributes = win32_adopt_attributes,
    .link_target = win32_link_target,
    .remove_on_interrupt = win32_remove_on_interrupt,
    .full_path = win32_full_path,
    .write_error = win32_write_error,
    .console_state = win32_console_state,
    .change_directory = win32_change_directory,
    .make_directory = win32_make_directory,
    .hold_instance_lock = win32_hold_instance_lock,
    .list_directory = win32_list_directory,
};

const char kPathSeparator = '\\';
const char kExecutableSuffix[] = ".exe";
const char* const kLibrariesUnderJavaHome[] = {"bin\\server\\jvm.dll", "bin\\client\\jvm.dll",
                                               "jre\\bin\\server\\jvm.dll", "jre\\bin\\client\\jvm.dll", nullptr};

const char kPathListSeparator = ';';
const char* kWellKnownJavaHomes[] = {nullptr};

ImageEndResult platform_measure_image(const unsigned char* head, size_t size, ImageExtent* extent) {
    return measure_pe_image(head, size, extent);
}

bool platform_path_is_absolute(const char* path) {
    if (path[0] == '\\') return true;
    return path[0] != '\0' && (path[1] == '\\' || path[1] == ':');
}
