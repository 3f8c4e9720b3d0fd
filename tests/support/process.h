// Running a program to its end with both output streams and the exit status
// captured. One set of options serves both platforms: on POSIX the program
// gets an argument vector, on Windows an exact command line, as a shell or
// Explorer hands it over.
#ifndef VANDREL_TESTS_SUPPORT_PROCESS_H
#define VANDREL_TESTS_SUPPORT_PROCESS_H

#include <string>
#include <utility>
#include <vector>

struct ProcessResult {
    bool started = false;  // the program could be started
    int status = -1;       // exit status; on POSIX 128 + the signal number when killed
    bool signaled = false;
    std::string out;       // the bytes written, "\r\n" of a Windows text stream included
    std::string err;
    std::string failure;   // why it could not be started
};

struct ProcessOptions {
    // POSIX: the file executed (a bare name looked up in the child's PATH
    // when `search_path` is set). Windows: the application name handed to
    // CreateProcessA; empty, the system takes the program from the command
    // line and looks for it as a shell does, from `cwd` first.
    std::string program;
    // POSIX: the argument vector, its first element included (it need not
    // name `program`).
    std::vector<std::string> argv;
    // Windows: the command line, exactly as the program receives it.
    std::string command_line;
    std::string cwd;                                       // empty: this process's
    std::vector<std::pair<std::string, std::string>> env;  // set in the child
    std::vector<std::string> unset_env;                    // removed in the child
    bool search_path = false;                              // POSIX only
    long long file_size_limit = -1;                        // POSIX only: RLIMIT_FSIZE in bytes
};

// Runs the program to its end with standard input from the null device. The
// child's environment is this process's without the variables that change
// what the launcher or the Java VM print (CLASSPATH, _JAVA_LAUNCHER_DEBUG,
// JAVA_TOOL_OPTIONS, _JAVA_OPTIONS, JDK_JAVA_OPTIONS), then `unset_env` and
// `env` applied in that order.
ProcessResult run_process(const ProcessOptions& options);

#ifndef _WIN32
// Shorthand: `program` with argv[0] = program and then `args`.
ProcessResult run_program(const std::string& program, const std::vector<std::string>& args,
                          const std::string& cwd = "");
#endif

#endif
