// Finding and loading the Java runtime library.
#ifndef VANDREL_LAUNCHER_RUNTIME_H
#define VANDREL_LAUNCHER_RUNTIME_H

#include <jni.h>

#include "major_version.h"
#include "platform/platform.h"

typedef jint(JNICALL* CreateJavaVmFunction)(JavaVM** vm, void** env, void* args);
typedef jint(JNICALL* GetDefaultInitArgsFunction)(void* args);

// The runtime's two invocation entry points; both null until it is loaded.
struct RuntimeEntryPoints {
    CreateJavaVmFunction create_vm;
    GetDefaultInitArgsFunction get_default_init_args;
};

// Room for a configured library path, the module file name and registry
// texts, terminator included.
constexpr int kPathCapacity = 260;

// Finds the runtime library (configured path, else find_runtime_library),
// loads it and resolves both entry points. On false its messages have been
// printed.
bool load_java_runtime(RuntimeEntryPoints* entry_points);

// The running executable's directory: its module file name up to its last
// separator. False when the name cannot be had, was cut, or holds no separator.
bool get_module_directory(char* buffer, int capacity);

// Composes the library path from a non-blank configured value: the value
// itself when absolute, else the module directory, a separator and the value.
// False when the result does not fit `capacity` or the value is relative and
// the module directory cannot be determined.
bool compose_runtime_library_path(const char* value, char* path, int capacity);

// Stores `directory`, a separator unless it ends with one, and `name` in
// `path`; false when that does not fit `capacity`.
bool join_path(const char* directory, const char* name, char* path, int capacity);

// The accepted versions, as comparable numbers; a bound that is not set lets
// every version through.
struct VersionRange {
    float minimum;
    float maximum;
};

// Reads both bounds (values 3 and 4), the minimum first; a blank bound lets
// every version through on its side, and a minimum below the first Java
// version is raised to it. False, with the message printed, when a bound is
// set but is no version.
bool read_version_range(VersionRange* range);

// True when value 9 is set: without it the range has no effect.
bool version_range_enforced();

// The range that lets every version through.
constexpr VersionRange kAnyVersion = {-1e9f, 1e9f};

// The key older runtimes register under, below HKEY_LOCAL_MACHINE.
extern const char kLegacyRegistryKey[];

// Finds the library of an installed runtime: RuntimeLib of the version the
// legacy key registers when it exists and is in the configured range, else
// the wider search (runtime_search.h: the other registry keys, JAVA_HOME,
// the platform's well-known homes, java on PATH). Prints its messages on false.
bool find_runtime_library(char* path, int capacity);

// Loads a runtime library by its full name; the folder above its own folder
// (a runtime's "bin", which holds the C runtime that jvm.dll imports) takes
// the current directory's place in the search for the libraries it imports.
// Null on failure.
void* load_runtime_library(const char* path);

// True when the value exists as text (REG_SZ) and its stored size
// (terminator included) is below `capacity`; the buffer then holds it,
// terminated.
bool query_registry_text(RegistryKey key, const char* name, char* buffer, int capacity);

// As query_registry_text, and also for a path stored as expandable text
// (REG_EXPAND_SZ), whose %NAME% parts become the environment's values; the
// expanded path must fit `capacity`.
bool query_registry_path(RegistryKey key, const char* name, char* buffer, int capacity);

#endif
