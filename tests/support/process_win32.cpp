#include "support/process.h"

#include <windows.h>

#include <string>
#include <vector>

#include "support/files.h"

namespace {

const char* const kQuietedVariables[] = {"CLASSPATH", "_JAVA_LAUNCHER_DEBUG", "JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS",
                                         "JDK_JAVA_OPTIONS"};

// Changes to this process's environment, undone on destruction. The child
// inherits the environment block as it is when it is created.
class EnvironmentChanges {
public:
    void set(const std::string& name, const char* value) {
        Saved saved{name, false, ""};
        DWORD n = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
        if (n > 0) {
            std::vector<char> buffer(n);
            DWORD got = GetEnvironmentVariableA(name.c_str(), buffer.data(), n);
            saved.had = got < n;
            if (saved.had) saved.value.assign(buffer.data(), got);
        }
        saved_.push_back(saved);
        SetEnvironmentVariableA(name.c_str(), value);
    }
    ~EnvironmentChanges() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            SetEnvironmentVariableA(it->name.c_str(), it->had ? it->value.c_str() : nullptr);
    }

private:
    struct Saved {
        std::string name;
        bool had;
        std::string value;
    };
    std::vector<Saved> saved_;
};

HANDLE open_inheritable(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string capture_file(const char* stream) {
    static int serial = 0;
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(sizeof temp, temp);
    std::string directory = n > 0 && n < sizeof temp ? std::string(temp) : std::string(".\\");
    return directory + "vandrel-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial) + "-" +
           stream + ".txt";
}

}  // namespace

ProcessResult run_process(const ProcessOptions& options) {
    ProcessResult result;
    EnvironmentChanges environment;
    for (const char* name : kQuietedVariables) environment.set(name, nullptr);
    for (const std::string& name : options.unset_env) environment.set(name, nullptr);
    for (const auto& kv : options.env) environment.set(kv.first, kv.second.c_str());

    std::string out_path = capture_file("out");
    std::string err_path = capture_file("err");
    HANDLE in = open_inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE out = open_inheritable(out_path, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = open_inheritable(err_path, GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION process = {};
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        result.failure = "cannot open the capture files " + out_path + " and " + err_path;
    } else {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in;
        startup.hStdOutput = out;
        startup.hStdError = err;
        std::vector<char> line(options.command_line.begin(), options.command_line.end());
        line.push_back('\0');  // CreateProcessA may write into the line
        const char* directory = options.cwd.empty() ? nullptr : options.cwd.c_str();
        // As in a shell, a program named by the line alone is looked for in
        // the directory it is started in: CreateProcessA searches the
        // caller's current directory, not the child's, so the caller moves
        // there for the call.
        char previous[MAX_PATH];
        DWORD previous_length = GetCurrentDirectoryA(sizeof previous, previous);
        bool moved = directory != nullptr && previous_length > 0 && previous_length < sizeof previous &&
                     SetCurrentDirectoryA(directory);
        if (directory != nullptr && !moved) {
            result.failure = "cannot enter " + options.cwd;
        } else {
            result.started = CreateProcessA(options.program.empty() ? nullptr : options.program.c_str(), line.data(),
                                            nullptr, nullptr, TRUE, 0, nullptr, directory, &startup, &process) != 0;
            if (!result.started) result.failure = "CreateProcessA failed, error " + std::to_string(GetLastError());
        }
        if (moved) SetCurrentDirectoryA(previous);
    }
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
    if (result.started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        result.status = int(status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        result.out = read_file(out_path);
        result.err = read_file(err_path);
    }
    DeleteFileA(out_path.c_str());
    DeleteFileA(err_path.c_str());
    return result;
}
