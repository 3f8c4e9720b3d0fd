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

// Room for paths and registry texts, terminator included.
constexpr int kPathCapacity = 260;

// Finds the runtime library (configured path, else the registry), loads it
// and resolves both entry points. On false its messages have been printed.
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

// Reads RuntimeLib of the registered runtime into `path`, checking its
// version against the configured range; when that yields no existing
// library in the range, searches further (runtime_search.h). Prints its
// messages on false.
bool find_runtime_in_registry(char* path, int capacity);

// True when the value exists as text and its stored size (terminator
// included) is below `capacity`; the buffer then holds it, terminated.
bool query_registry_text(RegistryKey key, const char* name, char* buffer, int capacity);

#endif
