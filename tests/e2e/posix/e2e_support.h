// Helpers of the end-to-end tests on POSIX: running a program with its own
// argument vector, working directory, environment and file-size limit and
// capturing its two output streams and exit status separately; scratch
// directories under the build tree; whole-file reads and writes.
#ifndef VANDREL_E2E_SUPPORT_H
#define VANDREL_E2E_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

struct ProcessResult {
    std::string out;
    std::string err;
    int status = -1;   // exit status, or 128 + signal number
    bool signaled = false;
};

struct ProcessSpec {
    // The file executed. When `search_path` is set, a bare name looked up in
    // the PATH of the child's environment, as a shell would.
    std::string program;
    // The argument vector, its first element included (it need not name
    // `program`).
    std::vector<std::string> argv;
    std::string cwd;                                          // empty: unchanged
    std::vector<std::pair<std::string, std::string>> env;     // set in the child
    std::vector<std::string> unset_env;                       // removed in the child
    bool search_path = false;
    long long file_size_limit = -1;                           // RLIMIT_FSIZE in bytes; -1: none
};

// Runs the program to its end. The child's environment is this process's
// without the variables that change what the launcher or the Java VM print
// (CLASSPATH, _JAVA_LAUNCHER_DEBUG, JAVA_TOOL_OPTIONS, _JAVA_OPTIONS,
// JDK_JAVA_OPTIONS), then `unset_env` and `env` applied.
ProcessResult run_process(const ProcessSpec& proc);

// Shorthand: `program` with the given arguments after argv[0] = program.
ProcessResult run_program(const std::string& program, const std::vector<std::string>& args,
                          const std::string& cwd = "");

// A fresh directory under the build tree, removed with everything in it when
// the object goes (kept when the test failed, for inspection). `path` is
// canonical (no symbolic links), as the system reports module file names.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

bool file_exists(const std::string& path);
std::string read_file(const std::string& path);           // whole file; "" when unreadable
void write_file(const std::string& path, const std::string& bytes, unsigned mode = 0644);
void copy_file(const std::string& from, const std::string& to, unsigned mode = 0755);
// Names in a directory, sorted, without "." and "..".
std::vector<std::string> list_dir(const std::string& path);
void make_dir(const std::string& path);
std::string canonical_path(const std::string& path);

// Byte-for-byte comparison that reports the first differing offset.
::testing::AssertionResult same_bytes(const std::string& expected, const std::string& actual);

// Exit status and both streams at once, each compared exactly.
::testing::AssertionResult outcome_is(const ProcessResult& r, int status, const std::string& out,
                                      const std::string& err);

#endif
