// Starting a Windows program with an exact command line and working
// directory, capturing its two output streams and its exit status.
#ifndef VANDREL_WIN_PROCESS_H
#define VANDREL_WIN_PROCESS_H

#include <string>

struct WinProcessResult {
    bool started = false;
    unsigned long status = 0;
    std::string out;   // bytes as written, "\r\n" included
    std::string err;
};

// CreateProcessA with `application` (empty: null, the system takes the
// program from the command line) and `command_line` exactly as given, in
// `directory` (empty: the current one). The child inherits this process's
// environment. Its standard output and error go to two files in
// `scratch_directory`, read back once it has ended.
WinProcessResult run_windows_process(const std::string& application, const std::string& command_line,
                                     const std::string& directory, const std::string& scratch_directory);

#endif
