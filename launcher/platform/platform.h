// The operating-system services the launcher needs, behind one table.
//
// Core code reaches the system only through `platform`, so that it never
// includes a system header of its own and so that tests can replace single
// entries to inject failures the real system cannot be made to produce
// (a failing close, an unreadable registry value). Each build links exactly
// one implementation: platform_win32.cpp or platform_posix.cpp, whose
// file-system entries come from files_win32.cpp or files_posix.cpp. An entry
// makes one system call, or the few that one service takes on that system,
// and keeps that system's own conventions where the core needs them (on
// POSIX, the XDG cache directory's default: see get_env); what to do with
// its result is decided by the core above it.
#ifndef VANDREL_LAUNCHER_PLATFORM_PLATFORM_H
#define VANDREL_LAUNCHER_PLATFORM_PLATFORM_H

#include <climits>
#include <cstdarg>
#include <cstdio>

#include "image_end.h"

// An open key of the Java runtime registry (an HKEY on Windows).
typedef void* RegistryKey;

// Registry value types of a zero-terminated text (REG_SZ), and of one whose
// %NAME% parts stand for environment variables (REG_EXPAND_SZ).
constexpr unsigned long kRegistryTypeText = 1;
constexpr unsigned long kRegistryTypeExpandableText = 2;

// Room for a path of this system, terminator included.
#ifdef _WIN32
constexpr int kSystemPathCapacity = 260;
#else
constexpr int kSystemPathCapacity = PATH_MAX;
#endif

// What tells whether an open file changed: its size and modification time.
struct FileStatus {
    unsigned long long size;
    long long modified;  // in the system's finest unit
};
// The console a process runs in: how many processes are attached to it (0
// without one, as for a GUI program; 1 when it was made for this process
// alone, as for a console program started from the desktop), and whether
// standard input reads from it.
struct ConsoleState {
    int processes;
    bool input_is_console;
};
// The two roots runtimes register under, and the two views of a 64-bit
// registry (on 32-bit Windows both views are the one registry).
enum RegistryRoot { kRegistryMachine, kRegistryUser };
enum RegistryView { kRegistryView32, kRegistryView64 };
// The view a program of this word size reads when it names none.
constexpr RegistryView kOwnRegistryView = sizeof(void*) == 8 ? kRegistryView64 : kRegistryView32;

struct PlatformApi {
    // The value of an environment variable, or null when it is not defined.
    // Names compare as the platform's environment does (without regard to
    // letter case on Windows). On POSIX, XDG_CACHE_HOME unset or empty gives
    // HOME's ".cache", as the XDG base directory rules say: the one place that
    // default is made (the instance lock's directory takes it from here).
    const char* (*get_env)(const char* name);

    // String `id` of the running executable's string table, as 8-bit text in
    // the ANSI code page, cut to capacity - 1 bytes and terminated. Returns the
    // number of bytes stored without the terminator; 0 for an absent id.
    int (*load_string)(unsigned id, char* buffer, int capacity);

    // Full file name of the running executable, as 8-bit text that opens it:
    // on Windows in the ANSI code page, its short (8.3) form when the long
    // one has characters the code page lacks. Returns its length, 0 on
    // failure (no such name; on Windows also a name that does not fit), or
    // `capacity` when it was cut to fit.
    unsigned long (*module_file_name)(char* buffer, unsigned long capacity);
    // Opens the running executable's own file for reading, by the name the
    // system knows it by (its UTF-16 name on Windows), whatever the ANSI code
    // page can spell; null when it does not open.
    FILE* (*open_own_file)();

    // The raw command line when the platform has one (Windows), else null:
    // the argument vector handed to main is then used as it is.
    const char* (*raw_command_line)();

    // Loads a dynamic library; null on failure. Libraries are never unloaded.
    void* (*load_library)(const char* path);
    // Address of an exported symbol, or null.
    void* (*find_symbol)(void* library, const char* name);
    // Makes `directory` the place searched for the libraries that a library
    // loaded later imports, instead of the current directory (Windows'
    // SetDllDirectoryA; nothing where the loader has no such place).
    void (*set_library_directory)(const char* directory);

    // Opens `subkey` for reading under `parent`, or under `root` when
    // `parent` is null, in registry view `view`; a child key must be opened
    // in the view of its parent.
    bool (*registry_open)(RegistryKey parent, const char* subkey, RegistryRoot root, RegistryView view,
                          RegistryKey* key);
    // Queries a value's type and size in bytes; with `data` non-null also its
    // bytes, `*size` being the room in `data`. True when the query succeeded.
    bool (*registry_query)(RegistryKey key, const char* name, unsigned long* type, unsigned char* data,
                           unsigned long* size);
    void (*registry_close)(RegistryKey key);
    // The name of subkey number `index` of `key`, counting from 0. False past
    // the last one; a name that does not fit `capacity` is stored empty.
    bool (*registry_subkey)(RegistryKey key, unsigned long index, char* name, unsigned long capacity);
    // `text` with each %NAME% that names an environment variable replaced by
    // its value, as Windows expands an expandable registry text; false when
    // the result does not fit `capacity`.
    bool (*expand_environment)(const char* text, char* buffer, int capacity);

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
    // Deletes a file, a read-only one too; true on success.
    bool (*remove_file)(const char* path);

    // Creates `path` for writing ("wb") only when no file, directory or link
    // of that name exists; a link is never followed. The file gets the
    // executable bits the umask allows, and can be deleted while open.
    FILE* (*file_create_new)(const char* path);
    // Whether an existing `path` opens for writing: 1 when it does, 0 when no
    // file of that name exists, -1 when it exists and cannot (read-only, in
    // use by a running program, locked by another process). Changes nothing.
    int (*probe_writable)(const char* path);
    // Size and modification time of an open file; false when unknown.
    bool (*file_status)(FILE* file, FileStatus* status);
    // Gives the open `file` the permission bits of the existing `model`, and
    // its owner where the system allows. Nothing where a replacing rename
    // keeps them by itself.
    void (*adopt_attributes)(FILE* file, const char* model);
    // Stores in `target` the name that `path` leads to once every symbolic
    // link at its end is followed: `path` itself when it is no link, else the
    // file the links reach, or the name a dangling link would create. False
    // when that cannot be told (a loop, a link that names no path, no room).
    bool (*link_target)(const char* path, char* target, unsigned long capacity);
    // From now on until called with null, `path` is deleted when the process
    // is interrupted (SIGINT, SIGTERM or SIGHUP; Ctrl-C, Ctrl-Break or a
    // closed console window), before it ends as the interruption would end it.
    void (*remove_on_interrupt)(const char* path);
    // The absolute form of an existing path, with symbolic links resolved
    // where the system has them. False when it cannot be made or does not fit.
    bool (*full_path)(const char* path, char* buffer, int capacity);
    // Writes `length` bytes of error text to standard error. A program that
    // has no standard error (a Windows GUI program) keeps the texts instead
    // and shows them together in one message box when the process ends.
    void (*write_error)(const char* text, int length);
    // The console this process runs in (see ConsoleState).
    ConsoleState (*console_state)();
    // Makes `path` the current directory; true on success.
    bool (*change_directory)(const char* path);
    // Creates the directory `path` (its parent must exist); true when it was
    // created or already is a directory.
    bool (*make_directory)(const char* path);
    // Takes the lock that one running instance of the program named `name`
    // holds until the process ends, however it ends: a named mutex in the
    // session's namespace on Windows, a lock on a file of the user's runtime
    // or cache directory on POSIX. 1 when taken, 0 when another process holds
    // it, -1 when the lock cannot be had at all.
    int (*hold_instance_lock)(const char* name);
    // Cache trust and background work.
    // True when `path` is a directory (`directory`) or a regular file (not
    // `directory`), no symbolic link or other reparse point, that nobody but
    // this user and the system's administrators could have written: on POSIX
    // owned by the user and not writable by group or others; on Windows owned
    // by the user, Administrators or SYSTEM, with no access-control entry that
    // grants write to Everyone, Users, Authenticated Users, Interactive or
    // Guests. False when that cannot be told.
    bool (*is_private)(const char* path, bool directory);
    // Creates the directory `path` (its parent must exist) for this user
    // alone: mode 0700 on POSIX; on Windows a protected access list that
    // grants its owner, SYSTEM and Administrators. True when it was created
    // (an existing directory gives false: is_private judges it).
    bool (*make_private_directory)(const char* path);
    // Bytes this user may still write on the volume that holds `path`
    // (quotas counted where the system reports them); 0 when unknown.
    unsigned long long (*free_space)(const char* path);
    // Starts `program` and does not wait for it: on POSIX with the argument
    // vector `argv` (ending with a null), on Windows with the command line
    // `command_line`, as run_child takes them; detached from this process's
    // console and session, its standard streams on the null device, at low
    // priority, with this process's environment. True when it started.
    bool (*start_detached_process)(const char* program, char* const* argv, const char* command_line);
    // Formats and writes as the Java VM's own C library would to `stream`, one
    // of that library's streams (the VM's output hook receives them).
    void (*vm_print)(FILE* stream, const char* format, va_list args);
    // Calls `visit` with the name of every entry of the directory `path`
    // ("." and ".." left out); nothing when it cannot be read.
    void (*list_directory)(const char* path, void (*visit)(const char* name, void* context), void* context);

    // Child processes
    // Runs `program` as a child process and waits for it to end: on POSIX
    // with the argument vector `argv`, on Windows with the command line
    // `command_line` (ANSI text, which the system widens). The child shares this
    // process's standard handles, console, environment and working
    // directory. While it runs, Ctrl-C and Ctrl-Break (SIGINT, SIGQUIT) end
    // the child, not this process; if this process ends first, the child ends
    // with it (a job object; the parent-death signal on Linux). Returns the
    // child's exit status (128 + the signal when one ended it), or -1 when it
    // could not be started.
    int (*run_child)(const char* program, char* const* argv, const char* command_line);
    // True when this program is a Windows GUI-subsystem program (false on
    // POSIX, which has no such kind).
    bool (*gui_program)();
};

extern PlatformApi platform;

// Whether this launcher keeps a start-up cache (value 13). The 32-bit
// Windows launcher does not: it loads only 32-bit runtimes, of which just a
// few (Java 19 to 23) can keep one, and it stays within its size that way.
#if defined(_WIN32) && !defined(_WIN64)
constexpr bool kMakesStartupCache = false;
#else
constexpr bool kMakesStartupCache = true;
#endif

// Directory separator of this platform's paths.
extern const char kPathSeparator;
// Appended to a program name that holds no "." to name its file ("" on POSIX).
extern const char kExecutableSuffix[];
// The runtime library's places under a Java home, most preferred first; the
// list ends with a null.
extern const char* const kLibrariesUnderJavaHome[];
// A runtime's own launcher under its home: the console one, and the one of
// programs without a console (the same program on POSIX).
extern const char kJavaLauncher[];
extern const char kJavaGuiLauncher[];
// Separator of the directories in PATH.
extern const char kPathListSeparator;
// Java homes looked at after JAVA_HOME when the registry yields no runtime;
// the list ends with a null. Tests may point its entries elsewhere.
extern const char* kWellKnownJavaHomes[];
// Measures an executable of this system's format (PE on Windows, ELF
// elsewhere); see find_image_end.
ImageEndResult platform_measure_image(const unsigned char* head, size_t size, ImageExtent* extent);
// The machine type of a library from its first `size` bytes, as a PE
// machine number: PE libraries, and on POSIX also ELF ones (an ELF machine
// is given the number of its PE counterpart, or one past 0xFFFF that no PE
// machine has); 0 when they are no such library.
unsigned platform_machine_type(const unsigned char* head, size_t size);

#endif
