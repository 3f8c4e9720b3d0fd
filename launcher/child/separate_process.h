// Running the program through a runtime's own java program, as a child
// process, when this process cannot load that runtime (or value 14 asks for
// it always).
#ifndef VANDREL_LAUNCHER_CHILD_SEPARATE_PROCESS_H
#define VANDREL_LAUNCHER_CHILD_SEPARATE_PROCESS_H

#include "vm/app_arguments.h"

// Runs `java` with what the VM would have been given in this process: the
// options of vm_option_list that a command line can carry (all but the VM's
// hooks), then "-jar" and `executable_path`, so that java applies the
// manifest as it does for any JAR, then `arguments` (the application's
// argument vector). Waits for it and returns its exit status; 1 when it
// cannot be started (its message printed).
int run_in_separate_process(const char* java, const char* executable_path, const AppArgv& arguments);

#endif
