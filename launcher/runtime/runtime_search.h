// The search for a Java runtime beyond the legacy runtime key: that key in
// the other registry view, the keys that newer runtimes and their vendors'
// installers write, under both registry roots and in both views, then
// JAVA_HOME, the platform's well-known homes and java on PATH. Every runtime
// found is checked on disk (its library exists, its machine type is read)
// and the highest version in the configured range is chosen: one of this
// program's machine type, else, where value 14 allows, one of another that
// runs through its own java program as a separate process.
#ifndef VANDREL_LAUNCHER_RUNTIME_RUNTIME_SEARCH_H
#define VANDREL_LAUNCHER_RUNTIME_RUNTIME_SEARCH_H

// What the legacy key gave when it gave no runtime to take. Its messages are
// printed only when the search finds nothing else.
enum LegacyOutcome {
    kLegacyKeyAbsent,  // value 8
    kLegacyNoVersion,  // CurrentVersion or its subkey unusable
    kLegacyRuntimeLibUnreadable,
    kLegacyLibraryMissing,  // RuntimeLib names no existing file
    kLegacyOutsideRange,    // its version is outside the range and value 9 is set
};

// The texts are the caller's, and stay put during the search.
struct LegacyResult {
    LegacyOutcome outcome;
    const char* version;  // kLegacyOutsideRange: the registered version text
    const char* library;  // kLegacyLibraryMissing: the RuntimeLib text
};

// Searches on after the legacy key; on true `path` holds the library to
// load. On false every message has been printed. With the trace on, prints
// each runtime looked at and what became of it.
bool search_further(const LegacyResult& legacy, char* path, int capacity);

// The java program of the runtime found, when it runs as a separate process;
// null while it is one this process loads.
extern char* separate_java;

// The java program (javaw.exe for a GUI-subsystem program) in the "bin"
// folder of the runtime whose library is `library`, in a block of
// allocate_or_exit; null when there is none.
char* find_java_launcher(const char* library);

// The machine type of a library or program file, as the PE header's Machine
// field names it (0x014C x86, 0x8664 x86-64, 0xAA64 ARM64); an ELF file's
// machine is given by the same numbers. 0 when the file is neither or cannot
// be read.
unsigned read_machine_type(const char* path);

#endif
