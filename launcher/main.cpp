// Process entry: hands the argument vector to the launcher's main routine.
// On Windows the vector is split from the raw command line by the launcher's
// own rule, since the C runtime's splitting treats backslashes specially,
// or by the C runtime's rules when value 15 asks for them.
// The result becomes the exit status: the C runtime's start-up ends the
// process with it on POSIX, the Windows entry (start_win32.c) through
// end_process.
#include "vm/command_line.h"
#include "base/diagnostics.h"
#include "launch.h"
#include "platform/platform.h"
#include "settings/config.h"

int main(int argc, char** argv) {
    setup_standard_streams();
    const char* line = platform.raw_command_line();
    if (line != nullptr)
        argc = split_command_line(
            line, &argv, read_config_choice(kConfigArgumentQuoting, kArgumentQuotingChoices) == kWindowsQuoting);
    return launcher_main(argc, argv);
}
