// The platform table over the Win32 API.
#include "platform.h"
#include "platform/files.h"
#include "pe_headers.h"

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
    .module_file_name = system_module_file_name,
    .open_own_file = system_open_own_file,
    .raw_command_line = win32_raw_command_line,
    .load_library = win32_load_library,
    .find_symbol = win32_find_symbol,
    .set_library_directory = win32_set_library_directory,
    .registry_open = win32_registry_open,
    .registry_query = win32_registry_query,
    .registry_close = win32_registry_close,
    .registry_subkey = win32_registry_subkey,
    .expand_environment = win32_expand_environment,
    VANDREL_FILE_SYSTEM_ENTRIES,
    .full_path = win32_full_path,
    .write_error = win32_write_error,
    .console_state = win32_console_state,
    .change_directory = win32_change_directory,
    .make_directory = win32_make_directory,
    .hold_instance_lock = win32_hold_instance_lock,
    .list_directory = win32_list_directory,
};

const char kExecutableSuffix[] = ".exe";
const char* const kLibrariesUnderJavaHome[] = {"bin\\server\\jvm.dll", "bin\\client\\jvm.dll",
                                               "jre\\bin\\server\\jvm.dll", "jre\\bin\\client\\jvm.dll", nullptr};

const char kPathListSeparator = ';';
const char* kWellKnownJavaHomes[] = {nullptr};

ImageEndResult platform_measure_image(const unsigned char* head, size_t size, ImageExtent* extent) {
    return measure_pe_image(head, size, extent);
}

unsigned platform_machine_type(const unsigned char* head, size_t size) {
    uint16_t machine = 0;
    uint64_t needed = 0;
    return read_pe_machine(head, size, &machine, &needed) == kPeRead ? machine : 0;
}
