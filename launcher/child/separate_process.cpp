#include "child/separate_process.h"

#include <cstdio>
#include <cstdlib>

#include "base/diagnostics.h"
#include "base/messages.h"
#include "platform/platform.h"
#include "vm/command_line.h"
#include "vm/vm_options.h"

int run_in_separate_process(const char* java, const char* executable_path, const AppArgv& arguments) {
    // The program, the options, "-jar" and the file, the arguments, a null.
    char** argv =
        static_cast<char**>(allocate_or_exit(int((vm_option_list.count + arguments.count + 4) * sizeof(char*))));
    int argc = 0;
    argv[argc++] = const_cast<char*>(java);
    for (int i = 0; i < vm_option_list.count; ++i)
        if (vm_option_list.entries[i].extraInfo == nullptr) argv[argc++] = vm_option_list.entries[i].optionString;
    argv[argc++] = const_cast<char*>("-jar");
    argv[argc++] = const_cast<char*>(executable_path);
    for (int i = 0; i < arguments.count; ++i) argv[argc++] = arguments.entries[i];
    argv[argc] = nullptr;
    char* command_line = windows_command_line(argc, argv);
    fflush(stdout);
    int status = platform.run_child(java, argv, command_line);
    free(command_line);
    free(argv);
    if (status >= 0) return status;
    print_error(MSG_CHILD_NOT_STARTED, java);
    return 1;
}
