// Finding and loading the Java runtime library.
#ifndef VANDREL_LAUNCHER_RUNTIME_RUNTIME_H
#define VANDREL_LAUNCHER_RUNTIME_RUNTIME_H

#include <jni.h>

#include "base/paths.h"
#include "platform/platform.h"
#include "runtime/registry_text.h"
#include "runtime/version_range.h"

typedef jint(JNICALL* CreateJavaVmFunction)(JavaVM** vm, void** env, void* args);
typedef jint(JNICALL* GetDefaultInitArgsFunction)(void* args);

// The runtime's two invocation entry points; both null until it is loaded.
struct RuntimeEntryPoints {
    CreateJavaVmFunction create_vm;
    GetDefaultInitArgsFunction get_default_init_args;
};

// Finds the runtime library (configured path, else find_runtime_library),
// loads it and resolves both entry points. When it is to run as a separate
// process (value 14 "always" and the runtime has its java program, or a
// runtime of another machine type), it is not loaded: separate_java (runtime_search.h) names its java program and
// the entry points stay null. On false its messages have been printed.
bool load_java_runtime(RuntimeEntryPoints* entry_points);

// Composes the library path from a non-blank configured value: the value
// itself when absolute, else the module directory, a separator and the value.
// False when the result does not fit `capacity` or the value is relative and
// the module directory cannot be determined.
bool compose_runtime_library_path(const char* value, char* path, int capacity);

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

#endif
