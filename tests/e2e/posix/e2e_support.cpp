#include "e2e_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#ifndef E2E_WORK_ROOT
#error "E2E_WORK_ROOT must name a directory of the build tree"
#endif

extern char** environ;

namespace {

const char* const kQuietedVariables[] = {"CLASSPATH",     "_JAVA_LAUNCHER_DEBUG", "JAVA_TOOL_OPTIONS",
                                         "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS"};

std::string variable_name(const std::string& entry) { return entry.substr(0, entry.find('=')); }

std::vector<std::string> child_environment(const ProcessSpec& proc) {
    std::vector<std::string> removed(std::begin(kQuietedVariables), std::end(kQuietedVariables));
    removed.insert(removed.end(), proc.unset_env.begin(), proc.unset_env.end());
    for (const auto& kv : proc.env) removed.push_back(kv.first);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        if (std::find(removed.begin(), removed.end(), variable_name(entry)) == removed.end()) env.push_back(entry);
    }
    for (const auto& kv : proc.env) env.push_back(kv.first + "=" + kv.second);
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

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

}  // namespace

ProcessResult run_process(const ProcessSpec& proc) {
    ProcessResult result;
    std::vector<std::string> args = proc.argv;
    std::vector<std::string> env = child_environment(proc);
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(env);
    int out_pipe[2], err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
        result.err = "pipe failed";
        return result;
    }
    pid_t pid = fork();
    if (pid == 0) {
        int null_fd = open("/dev/null", O_RDONLY);
        dup2(null_fd, 0);
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        if (!proc.cwd.empty() && chdir(proc.cwd.c_str()) != 0) _exit(126);
        if (proc.file_size_limit >= 0) {
            // Writing past the limit then fails with EFBIG instead of killing
            // the process; ignored signals stay ignored across exec.
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {rlim_t(proc.file_size_limit), rlim_t(proc.file_size_limit)};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
        if (proc.search_path) {
            // execvpe looks the name up in this process's PATH, not in envp.
            for (const auto& kv : proc.env)
                if (kv.first == "PATH") setenv("PATH", kv.second.c_str(), 1);
            execvpe(proc.program.c_str(), argv.data(), envp.data());
        } else {
            execve(proc.program.c_str(), argv.data(), envp.data());
        }
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    if (pid < 0) {
        close(out_pipe[0]);
        close(err_pipe[0]);
        result.err = "fork failed";
        return result;
    }
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
    ProcessSpec proc;
    proc.program = program;
    proc.argv.push_back(program);
    proc.argv.insert(proc.argv.end(), args.begin(), args.end());
    proc.cwd = cwd;
    return run_process(proc);
}

ScratchDir::ScratchDir() {
    make_dir(E2E_WORK_ROOT);
    std::string pattern = std::string(E2E_WORK_ROOT) + "/t-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed under " << E2E_WORK_ROOT << ": " << strerror(errno);
        return;
    }
    path_ = canonical_path(buffer.data());
}

ScratchDir::~ScratchDir() {
    if (path_.empty()) return;
    if (::testing::Test::HasFailure()) {
        fprintf(stderr, "scratch directory kept: %s\n", path_.c_str());
        return;
    }
    nftw(path_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

bool file_exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string read_file(const std::string& path) {
    std::string bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

void write_file(const std::string& path, const std::string& bytes, unsigned mode) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path << ": " << strerror(errno);
    ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(fclose(f), 0);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

void copy_file(const std::string& from, const std::string& to, unsigned mode) {
    std::string bytes = read_file(from);
    ASSERT_FALSE(bytes.empty()) << "cannot read " << from;
    write_file(to, bytes, mode);
}

std::vector<std::string> list_dir(const std::string& path) {
    std::vector<std::string> names;
    DIR* d = opendir(path.c_str());
    if (d == nullptr) return names;
    while (struct dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

void make_dir(const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) ADD_FAILURE() << "mkdir " << path << ": " << strerror(errno);
}

std::string canonical_path(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

::testing::AssertionResult same_bytes(const std::string& expected, const std::string& actual) {
    size_t common = std::min(expected.size(), actual.size());
    for (size_t i = 0; i < common; ++i) {
        if (expected[i] != actual[i])
            return ::testing::AssertionFailure() << "bytes differ first at offset " << i << " (expected "
                                                 << expected.size() << " bytes, got " << actual.size() << ")";
    }
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << "length " << actual.size() << ", expected " << expected.size()
                                             << " (equal up to the shorter one)";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult outcome_is(const ProcessResult& r, int status, const std::string& out,
                                      const std::string& err) {
    if (r.status == status && r.out == out && r.err == err) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    if (r.status != status) failure << "status " << r.status << ", expected " << status << "\n";
    if (r.out != out) failure << "stdout:\n[" << r.out << "]\nexpected:\n[" << out << "]\n";
    if (r.err != err) failure << "stderr:\n[" << r.err << "]\nexpected:\n[" << err << "]\n";
    return failure;
}
