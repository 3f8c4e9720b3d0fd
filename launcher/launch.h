// The main routine of the launcher.
#ifndef VANDREL_LAUNCHER_LAUNCH_H
#define VANDREL_LAUNCHER_LAUNCH_H

// The first argument after its last separator; read by the usage banner.
extern const char* program_name;

// The launcher's own file as named by the first argument (with ".exe"
// appended on Windows when it holds no "."), or the module file name when
// that names another file or none; null when the module file name cannot be
// had (no name in the ANSI code page opens it).
char* form_executable_path(const char* first_argument);

// Runs the launcher or the packager; returns the process exit status.
int launcher_main(int argc, char** argv);

#endif
