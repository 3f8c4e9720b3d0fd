// Starting a Windows program with an exact command line, as a shell or
// Explorer would, and collecting what it wrote and its exit status.
#ifndef BRIDGE_PROCESS_H
#define BRIDGE_PROCESS_H

#include <string>

struct ProcessResult {
    bool started = false;       // CreateProcessA succeeded
    unsigned long status = 0;   // exit status
    std::string out;            // bytes written to standard output
    std::string err;            // bytes written to standard error
    std::string failure;        // why it could not be run
};

// Runs command_line (passed to CreateProcessA unchanged, with no application
// name, so its program is searched for from directory as a shell would) in
// directory, with standard input from NUL and both output streams
// captured in files of capture_directory, and waits for it to end.
ProcessResult run_process(const std::string& command_line, const std::string& directory,
                          const std::string& capture_directory);

#endif
