// Packager mode: writing the launcher's own file followed by a JAR.
#ifndef VANDREL_LAUNCHER_IMAGE_PACKAGER_H
#define VANDREL_LAUNCHER_IMAGE_PACKAGER_H

#include <jni.h>

// What run_packager returns, the process exit status in packager mode.
enum PackagerStatus {
    kPackaged = 0,
    kPackagerUsage = 1,               // wrong argument count
    kPackagerNotAJar = 2,             // the source does not open as a JAR
    kPackagerCannotOpen = 3,          // the launcher's file or the destination
    kPackagerCannotReadLauncher = 4,  // reading or closing the launcher's file
    kPackagerLauncherNotWritten = 5,  // writing the launcher's copy
    kPackagerCannotOpenSource = 6,    // opening the source for the copy
    kPackagerCannotReadSource = 7,    // reading or closing the source, or it changed
    kPackagerNotWritten = 8,          // writing the source's copy or putting the file in place
};

// Packs argv[1] into argv[2] (or the name derived from argv[1]). `argc`
// counts the program name; `program_name` is the name the usage text shows.
// Without a VM (`env` null: the runtime runs as a separate process) the
// source is checked by the archive reader as it is copied (status 2 after
// "Creating executable"), and its main class not looked for.
PackagerStatus run_packager(JNIEnv* env, const char* executable_path, const char* program_name, int argc, char** argv);

// Prints the banner and the usage line naming `program_name`.
void show_usage(const char* program_name);

// The source name with its last four bytes replaced by ".exe"; null when it
// has fewer than four bytes.
char* derive_destination_name(const char* source);

#endif
