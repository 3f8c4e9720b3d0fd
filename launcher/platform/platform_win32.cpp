// The platform table over the Win32 API.
#include "platform.h"

#include <windows.h>

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

bool win32_registry_open(RegistryKey parent, const char* subkey, RegistryKey* key) {
    HKEY base = parent ? static_cast<HKEY>(parent) : HKEY_LOCAL_MACHINE;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(base, subkey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    *key = opened;
    return true;
}

bool win32_registry_query(RegistryKey key, const char* name, unsigned long* type,
                          unsigned char* data, unsigned long* size) {
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
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool special = GetFileType(h) != FILE_TYPE_DISK;  // NUL, CON, a pipe
    CloseHandle(h);
    return special;
}

bool win32_replace_file(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool win32_remove_file(const char* path) { return DeleteFileA(path) != 0; }

}  // namespace

// Filled by field name: two entries of the same type cannot change places unseen.
PlatformApi platform = {
    .get_env = win32_get_env,
    .load_string = win32_load_string,
    .module_file_name = win32_module_file_name,
    .raw_command_line = win32_raw_command_line,
    .load_library = win32_load_library,
    .find_symbol = win32_find_symbol,
    .registry_open = win32_registry_open,
    .registry_query = win32_registry_query,
    .registry_close = win32_registry_close,
    .path_exists = win32_path_exists,
    .file_open = win32_file_open,
    .file_close = win32_file_close,
    .same_file = win32_same_file,
    .names_special_file = win32_names_special_file,
    .replace_file = win32_replace_file,
    .remove_file = win32_remove_file,
};

const char kPathSeparator = '\\';
const char kExecutableSuffix[] = ".exe";
const char* const kLibrariesUnderRegisteredHome[] = {"bin\\server\\jvm.dll", "bin\\client\\jvm.dll", nullptr};
const char* const kLibrariesUnderJavaHome[] = {"bin\\server\\jvm.dll", "bin\\client\\jvm.dll",
                                               "jre\\bin\\server\\jvm.dll", "jre\\bin\\client\\jvm.dll", nullptr};

bool platform_path_is_absolute(const char* path) {
    if (path[0] == '\\') return true;
    return path[0] != '\0' && (path[1] == '\\' || path[1] == ':');
}
