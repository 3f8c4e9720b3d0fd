#include "child/separate_process.h"

#include <cstdio>
#include <cstdlib>

#include "base/diagnostics.h"
#include "base/messages.h"
#include "platform/platform.h"
#include "vm/command_line.h"
#include "vm/vm_options.h"

int run_in_separate_process(const char* java, const char* executable_path, const AppArgv& arguments) {
    AppArgv child;
    init_app_argv(&child);
    append_to_argv(&child, const_cast<char*>(java));
    for (int i = 0; i < vm_option_list.count; ++i)
        if (vm_option_list.entries[i].extraInfo == nullptr) append_to_argv(&child, vm_option_list.entries[i].optionString);
    append_to_argv(&child, const_cast<char*>("-jar"));
    append_to_argv(&child, const_cast<char*>(executable_path));
    for (int i = 0; i < arguments.count; ++i) append_to_argv(&child, arguments.entries[i]);
    const int argc = child.count;
    append_to_argv(&child, nullptr);
    char* command_line = windows_command_line(argc, child.entries);
    fflush(stdout);
    int status = platform.run_child(java, child.entries, command_line);
    free(command_line);
    free(child.entries);
    if (status >= 0) return status;
    print_error(MSG_CHILD_NOT_STARTED, java);
    return 1;
}
