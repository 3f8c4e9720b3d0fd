// The operating-system services the launcher needs, behind one table.
//
// Core code reaches the system only through `platform`, so that it never
// includes a system header of its own and so that tests can replace single
// entries to inject failures the real system cannot be made to produce
// (a failing close, an unreadable registry value). Each build links exactly
// one implementation: platform_win32.cpp or platform_posix.cpp.
#ifndef VANDREL_PLATFORM_H
#define VANDREL_PLATFORM_H

#include <cstdio>

// An open key of the Java runtime registry (an HKEY on Windows).
typedef void* RegistryKey;

// Registry value type of a zero-terminated text (REG_SZ).
constexpr unsigned long kRegistryTypeText = 1;

struct PlatformApi {
    // The value of an environment variable, or null when it is not defined.
    // Names compare as the platform's environment does (without regard to
    // letter case on Windows).
    const char* (*get_env)(const char* name);

    // String `id` of the running executable's string table, as 8-bit text in
    // the ANSI code page, cut to capacity - 1 bytes and terminated. Returns the
    // number of bytes stored without the terminator; 0 for an absent id.
    int (*load_string)(unsigned id, char* buffer, int capacity);

    // Full file name of the running executable. Returns its length, 0 on
    // failure, or `capacity` when it was cut to fit.
    unsigned long (*module_file_name)(char* buffer, unsigned long capacity);

    // The raw command line when the platform has one (Windows), else null:
    // the argument vector handed to main is then used as it is.
    const char* (*raw_command_line)();

    // Loads a dynamic library; null on failure. Libraries are never unloaded.
    void* (*load_library)(const char* path);
    // Address of an exported symbol, or null.
    void* (*find_symbol)(void* library, const char* name);

    // Opens `subkey` under `parent` (null: HKEY_LOCAL_MACHINE) for reading.
    bool (*registry_open)(RegistryKey parent, const char* subkey, RegistryKey* key);
    // Queries a value's type and size in bytes; with `data` non-null also its
    // bytes, `*size` being the room in `data`. True when the query succeeded.
    bool (*registry_query)(RegistryKey key, const char* name, unsigned long* type,
                           unsigned char* data, unsigned long* size);
    void (*registry_close)(RegistryKey key);

    // True when a file-system status query on `path` succeeds.
    bool (*path_exists)(const char* path);

    // Buffered file streams, as the C library's fopen and fclose.
    FILE* (*file_open)(const char* path, const char* mode);
    int (*file_close)(FILE* file);
    // True when both names lead to the same existing file.
    bool (*same_file)(const char* a, const char* b);
    // True when `path` exists and is not a regular file (a device, a
    // directory): something a file cannot be swapped in for.
    bool (*names_special_file)(const char* path);
    // Moves `from` over `to`, replacing `to` when it exists. True on success.
    bool (*replace_file)(const char* from, const char* to);
    // Deletes a file; true on success.
    bool (*remove_file)(const char* path);

    // Writes `length` bytes of error text to standard error. A program that
    // has no standard error (a Windows GUI program) keeps the texts instead
    // and shows them together in one message box when the process ends.
    void (*write_error)(const char* text, int length);
};

extern PlatformApi platform;

// Directory separator of this platform's paths.
extern const char kPathSeparator;
// Appended to a program name that holds no "." to name its file ("" on POSIX).
extern const char kExecutableSuffix[];
// The runtime library's place under a Java home, most preferred first; each
// list ends with a null. The first for a home named in the registry, the
// second for JAVA_HOME.
extern const char* const kLibrariesUnderRegisteredHome[];
extern const char* const kLibrariesUnderJavaHome[];
// True when a configured library path is absolute on this platform.
bool platform_path_is_absolute(const char* path);

#endif
