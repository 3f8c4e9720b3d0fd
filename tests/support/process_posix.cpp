#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace {

const char* const kQuietedVariables[] = {"CLASSPATH", "_JAVA_LAUNCHER_DEBUG", "JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS",
                                         "JDK_JAVA_OPTIONS"};

std::string variable_name(const std::string& entry) { return entry.substr(0, entry.find('=')); }

std::vector<std::string> child_environment(const ProcessOptions& options) {
    std::vector<std::string> removed(std::begin(kQuietedVariables), std::end(kQuietedVariables));
    removed.insert(removed.end(), options.unset_env.begin(), options.unset_env.end());
    for (const auto& kv : options.env) removed.push_back(kv.first);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        if (std::find(removed.begin(), removed.end(), variable_name(entry)) == removed.end()) env.push_back(entry);
    }
    for (const auto& kv : options.env) env.push_back(kv.first + "=" + kv.second);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> v;
    for (auto& t : texts) v.push_back(&t[0]);
    v.push_back(nullptr);
    return v;
}

// Reads both pipes until both are closed.
void drain(int out_fd, int err_fd, std::string* out, std::string* err) {
    struct pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string* sinks[2] = {out, err};
    int open_count = 2;
    char buffer[8192];
    while (open_count > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, size_t(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
}

}  // namespace

ProcessResult run_process(const ProcessOptions& options) {
    ProcessResult result;
    std::vector<std::string> args = options.argv;
    std::vector<std::string> env = child_environment(options);
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(env);
    int out_pipe[2], err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
        result.failure = "pipe failed";
        return result;
    }
    pid_t pid = fork();
    if (pid == 0) {
        int null_fd = open("/dev/null", O_RDONLY);
        dup2(null_fd, 0);
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(126);
        if (options.file_size_limit >= 0) {
            // Writing past the limit then fails with EFBIG instead of killing
            // the process; ignored signals stay ignored across exec.
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {rlim_t(options.file_size_limit), rlim_t(options.file_size_limit)};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
        if (options.search_path) {
            // execvpe looks the name up in this process's PATH, not in envp.
            for (const auto& kv : options.env)
                if (kv.first == "PATH") setenv("PATH", kv.second.c_str(), 1);
            execvpe(options.program.c_str(), argv.data(), envp.data());
        } else {
            execve(options.program.c_str(), argv.data(), envp.data());
        }
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    if (pid < 0) {
        close(out_pipe[0]);
        close(err_pipe[0]);
        result.failure = "fork failed";
        return result;
    }
    result.started = true;
    drain(out_pipe[0], err_pipe[0], &result.out, &result.err);
    int wait_status = 0;
    while (waitpid(pid, &wait_status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(wait_status)) {
        result.status = WEXITSTATUS(wait_status);
    } else if (WIFSIGNALED(wait_status)) {
        result.signaled = true;
        result.status = 128 + WTERMSIG(wait_status);
    }
    return result;
}

ProcessResult run_program(const std::string& program, const std::vector<std::string>& args, const std::string& cwd) {
    ProcessOptions options;
    options.program = program;
    options.argv.push_back(program);
    options.argv.insert(options.argv.end(), args.begin(), args.end());
    options.cwd = cwd;
    return run_process(options);
}
