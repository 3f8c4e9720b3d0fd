// Packager mode: writing the launcher's own file followed by a JAR.
#ifndef VANDREL_PACKAGER_H
#define VANDREL_PACKAGER_H

#include <jni.h>

// Packs argv[1] into argv[2] (or the name derived from argv[1]). `argc`
// counts the program name. Returns the status, 0 on success, 1 to 8 on failure.
int run_packager(JNIEnv* env, const char* executable_path, int argc, char** argv);

// Prints the banner and usage line with program_name.
void show_usage();

// The source name with its last four bytes replaced by ".exe"; null when it
// has fewer than four bytes.
char* derive_destination_name(const char* source);

#endif
