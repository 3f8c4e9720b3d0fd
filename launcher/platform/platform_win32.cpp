// The platform table over the Win32 API.
#include "platform.h"
#include "platform/files.h"
#include "pe_headers.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

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

// The rights through which another account could change a file or folder,
// or put another in its place.
constexpr DWORD kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                               WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool is_well_known(PSID sid, const WELL_KNOWN_SID_TYPE* types, int count) {
    for (int i = 0; i < count; ++i)
        if (IsWellKnownSid(sid, types[i])) return true;
    return false;
}

// The owner is this user, Administrators or SYSTEM.
bool trusted_owner(PSID owner) {
    static const WELL_KNOWN_SID_TYPE kSystemOwners[] = {WinBuiltinAdministratorsSid, WinLocalSystemSid};
    if (is_well_known(owner, kSystemOwners, 2)) return true;
    HANDLE token = nullptr;
    union {
        TOKEN_USER user;
        char bytes[128];
    } info;
    DWORD size = 0;
    bool own = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
               GetTokenInformation(token, TokenUser, &info, sizeof info, &size) && EqualSid(owner, info.user.User.Sid);
    if (token != nullptr) CloseHandle(token);
    return own;
}

bool win32_is_private(const char* path, bool directory) {
    static const WELL_KNOWN_SID_TYPE kOthers[] = {WinWorldSid, WinBuiltinUsersSid, WinAuthenticatedUserSid,
                                                  WinInteractiveSid, WinBuiltinGuestsSid};
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != directory)
        return false;
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    // No access list at all grants everyone everything.
    bool trusted = owner != nullptr && list != nullptr && trusted_owner(owner);
    for (DWORD i = 0; trusted && i < list->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        if (!GetAce(list, i, reinterpret_cast<void**>(&entry)))
            trusted = false;
        else if (entry->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && !(entry->Header.AceFlags & INHERIT_ONLY_ACE) &&
                 (entry->Mask & kWriteRights))
            trusted = !is_well_known(&entry->SidStart, kOthers, 5);
    }
    LocalFree(descriptor);
    return trusted;
}

// Full control for the folder's owner, SYSTEM and Administrators, passed on
// to what is made inside, and nothing inherited from the parent.
bool win32_make_private_directory(const char* path) {
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;OW)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
                                                              SDDL_REVISION_1, &security.lpSecurityDescriptor, nullptr))
        return false;
    bool made = CreateDirectoryA(path, &security) != 0;
    LocalFree(security.lpSecurityDescriptor);
    return made;
}

unsigned long long win32_free_space(const char* path) {
    ULARGE_INTEGER available;
    return GetDiskFreeSpaceExA(path, &available, nullptr, nullptr) ? available.QuadPart : 0;
}

bool win32_start_detached_process(const char* program, char* const*, const char* command_line) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE null = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                              OPEN_EXISTING, 0, nullptr);
    if (null == INVALID_HANDLE_VALUE) return false;
    // Only the null device passes to the program: not the streams of this
    // process, which may be pipes that another program reads to their end.
    for (DWORD id = STD_ERROR_HANDLE; id <= STD_INPUT_HANDLE; ++id)  // -12, -11, -10
        SetHandleInformation(GetStdHandle(id), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = null;
    PROCESS_INFORMATION process;
    bool started = CreateProcessA(program, const_cast<char*>(command_line), nullptr, nullptr, TRUE,
                                  DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP | BELOW_NORMAL_PRIORITY_CLASS, nullptr,
                                  nullptr, &startup, &process) != 0;
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(null);
    return started;
}

// The Java VMs that print through the output hook (25 and later) use the
// universal C runtime, whose printf family has this one entry.
void win32_vm_print(FILE* stream, const char* format, va_list args) {
    typedef int(__cdecl * CommonPrint)(unsigned long long, FILE*, const char*, void*, va_list);
    HMODULE runtime = GetModuleHandleA("ucrtbase.dll");
    void* entry = runtime ? reinterpret_cast<void*>(GetProcAddress(runtime, "__stdio_common_vfprintf")) : nullptr;
    if (entry != nullptr) reinterpret_cast<CommonPrint>(entry)(0, stream, format, nullptr, args);
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

// Ctrl-C and Ctrl-Break end the child, which shares the console; this
// process goes on waiting for it.
BOOL WINAPI ignore_interrupt(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

// The child joins a job that ends it when the job's last handle, this
// process's, closes; processes the child starts stay out of the job.
// CreateProcessA widens the ANSI texts as the system widens every ANSI text.
int win32_run_child(const char* program, char* const*, const char* command_line) {
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child;
    if (!CreateProcessA(program, const_cast<char*>(command_line), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &child))
        return -1;
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    memset(&limits, 0, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
    if (job != nullptr && SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits))
        AssignProcessToJobObject(job, child.hProcess);
    SetConsoleCtrlHandler(ignore_interrupt, TRUE);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(child.hProcess, &status);
    return int(status);
}

bool win32_gui_program() {
    const unsigned char* image = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew)->OptionalHeader.Subsystem ==
           IMAGE_SUBSYSTEM_WINDOWS_GUI;
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
    .is_private = kMakesStartupCache ? win32_is_private : nullptr,
    .make_private_directory = kMakesStartupCache ? win32_make_private_directory : nullptr,
    .free_space = kMakesStartupCache ? win32_free_space : nullptr,
    .start_detached_process = kMakesStartupCache ? win32_start_detached_process : nullptr,
    .vm_print = kMakesStartupCache ? win32_vm_print : nullptr,
    .list_directory = win32_list_directory,
    .run_child = win32_run_child,
    .gui_program = win32_gui_program,
};

const char kExecutableSuffix[] = ".exe";
const char* const kLibrariesUnderJavaHome[] = {"bin\\server\\jvm.dll", "bin\\client\\jvm.dll",
                                               "jre\\bin\\server\\jvm.dll", "jre\\bin\\client\\jvm.dll", nullptr};

const char kJavaLauncher[] = "bin\\java.exe";
const char kJavaGuiLauncher[] = "bin\\javaw.exe";
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
