// Every text the launcher itself shows its user. Format texts follow the C
// library's formatted-output conventions; each carries its own line feeds,
// and three of them deliberately end without one.
#ifndef VANDREL_LAUNCHER_BASE_MESSAGES_H
#define VANDREL_LAUNCHER_BASE_MESSAGES_H

// Runtime discovery and loading (standard error).
#define MSG_ERROR_LOADING "Error loading: %s\n"
#define MSG_NO_JNI_INTERFACES "Can't find JNI interfaces in: %s\n"
#define MSG_RUNTIME_NOT_FOUND "Could not find the Java Runtime Environment.\n"
#define MSG_NO_RECOGNIZED_VERSIONS "No recognized versions in: 'Software\\JavaSoft\\Java Runtime Environment\\'\n"
#define MSG_BAD_MIN_VERSION "Unrecognized minimum major version: %s"
#define MSG_BAD_MAX_VERSION "Unrecognized maximum major version: %s"
// After value 9: the versions the range lets through, as values 3 and 4
// write them ("11 to 17", "11 or later", "17 or earlier").
#define MSG_VERSIONS_WANTED "This program runs on Java %s%s%s.\n"
#define MSG_VERSIONS_TO " to "
#define MSG_VERSIONS_OR_LATER " or later"
#define MSG_VERSIONS_OR_EARLIER " or earlier"
#define MSG_RUNTIME_LIB_UNREADABLE "Failed reading value of registry key: RuntimeLib"
// Every runtime found has another machine type: what was found (its
// bitness, version and home) and what this program needs.
#define MSG_WRONG_MACHINE "Found only a %s Java runtime, version %s, in '%s'; this program needs a %s Java runtime.\n"

// Launch sequence (standard error).
#define MSG_CHILD_NOT_STARTED "Can't launch: can't start '%s'\n"
#define MSG_NO_APPLICATION_HOME "Can't launch: Can't determine application home\n"
#define MSG_VM_NOT_CREATED "Could not create the Java virtual machine.\n"
#define MSG_NO_MAIN_CLASS "Can't launch: no main class found\n"
#define MSG_NO_MAIN_METHOD "Can't launch: No main method found on main class.\n"
#define MSG_DETACH_FAILED "Can't launch: Could not detach main thread.\n"
#define MSG_DAMAGED_ARCHIVE "Can't launch: the application archive of '%s' is damaged\n"
#define MSG_OWN_FILE_UNREADABLE "Can't launch: can't read this program's own file\n"
#define MSG_NO_OWN_NAME "Can't launch: this program's path does not fit the system's code page; move it\n"

// Settings (standard error): a value that outgrew its 1999 bytes once its
// references were replaced (its id), an options file over 1999 bytes as
// written or once expanded (its name), a working directory that cannot be
// entered, and a second start of a single-instance program (its name).
#define MSG_EXPANDED_TOO_LONG "Can't launch: value %d is too long once expanded\n"
#define MSG_OPTIONS_FILE_TOO_LONG "Can't launch: '%s' is too long\n"
#define MSG_NO_WORKING_DIRECTORY "Can't launch: can't enter '%s'\n"
#define MSG_ALREADY_RUNNING "%s is already running.\n"

// Packager (standard error).
#define MSG_NOT_A_JAR "Not a valid jar file: %s\n"
#define MSG_ERROR_OPENING "Error opening '%s'\n"
#define MSG_ERROR_CLOSING "Error closing '%s'\n"
#define MSG_ERROR_WRITING "Error writing '%s'\n"
#define MSG_ERROR_READING "Error reading '%s'\n"
#define MSG_ERROR_REMOVING "Error removing '%s'\n"

// Packager (standard output).
#define MSG_USAGE "Vandrel Console Version " VANDREL_VERSION_TEXT "\nUsage: %s source.jar [dest.exe]\n"
#define MSG_NO_MAIN_CLASS_ATTRIBUTE \
    "Main-Class attribute not found in manifest:\nWill attempt to find a main class at run-time.\n"
#define MSG_CREATING "Creating executable '%s' from '%s'...\n"
#define MSG_SUCCESS "Success!\n"

// Memory exhaustion: the word handed to the C library's error report.
#define MSG_MALLOC "malloc"

// A failing console program whose window closes with it (standard error).
#define MSG_PRESS_ENTER "Press Enter to close this window.\n"

// Trace (standard output, only with the trace switch on).
#define TRACE_BANNER "----_JAVA_LAUNCHER_DEBUG----\n"
#define TRACE_VM_ARGS "JavaVM args:\n    "
#define TRACE_VM_VERSION "version 0x%08lx, "
#define TRACE_VM_IGNORE "ignoreUnrecognized is %s, "
#define TRACE_VM_COUNT "nOptions is %ld\n"
#define TRACE_VM_OPTION "    option[%2d] = '%s'\n"
#define TRACE_MAIN_CLASS "Main-Class is '%s'\n"
#define TRACE_APP_ARGC "Apps' argc is %d\n"
#define TRACE_APP_ARGV "    app_argv[%2d] = '%s'\n"
// Once the search goes beyond the legacy runtime key, one line per runtime
// looked at: where it was found, its library (or home), version, machine
// type, and what became of it.
#define TRACE_RUNTIME_CANDIDATE "Java runtime from %s: '%s', version %s, %s: %s\n"
#define TRACE_RUNTIME_TAKEN "taken"
#define TRACE_RUNTIME_PASSED_OVER "passed over for a preferred one"
#define TRACE_RUNTIME_NO_LIBRARY "refused, no runtime library there"
#define TRACE_RUNTIME_FOUND_BEFORE "refused, found before"
#define TRACE_RUNTIME_NOT_A_LIBRARY "refused, not a library"
#define TRACE_RUNTIME_WRONG_MACHINE "refused, wrong machine type"
#define TRACE_RUNTIME_VERSION_UNKNOWN "refused, version unknown"
#define TRACE_RUNTIME_OUTSIDE_RANGE "refused, outside the version range"
#define TRACE_RUNTIME_PATH_TOO_LONG "refused, the path is too long"
// The route to the runtime taken when it runs as a separate process, and why:
// this program's machine type, the runtime's, its version and home.
#define TRACE_SEPARATE_NEEDED "no %s runtime fits; running the %s runtime %s in '%s' as a separate process\n"

// The start-up cache left out, and why.
#define TRACE_CACHE_LEFT_OUT "Start-up cache left out: %s\n"
#define TRACE_CACHE_NOT_ABSOLUTE "folder not absolute"
#define TRACE_CACHE_CLASH "VM options choose sharing"
#define TRACE_CACHE_NOT_PRIVATE "others can write there"
#define TRACE_CACHE_WAITING "waiting after a failed attempt"
#define TRACE_CACHE_NO_ROOM "no room"

#endif
