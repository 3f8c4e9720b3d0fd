#include "bridge_process.h"

#include <windows.h>

#include <vector>

namespace {

HANDLE open_capture(const std::string& path) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string read_file(const std::string& path) {
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

}  // namespace

ProcessResult run_process(const std::string& command_line, const std::string& directory,
                          const std::string& capture_directory) {
    ProcessResult result;
    std::string out_path = capture_directory + "\\stdout.txt";
    std::string err_path = capture_directory + "\\stderr.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE out = open_capture(out_path);
    HANDLE err = open_capture(err_path);
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        result.failure = "cannot open the capture files in " + capture_directory;
        return result;
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back('\0');
    // As in a shell, the program is looked for in the directory it is started
    // in: CreateProcessA searches the caller's current directory, not the
    // child's, so the caller moves there for the call.
    char previous[MAX_PATH];
    DWORD previous_length = GetCurrentDirectoryA(sizeof previous, previous);
    if (previous_length == 0 || previous_length >= sizeof previous || !SetCurrentDirectoryA(directory.c_str())) {
        result.failure = "cannot enter " + directory;
    } else {
        result.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        directory.c_str(), &startup, &process) != 0;
        if (!result.started) result.failure = "CreateProcessA failed, error " + std::to_string(GetLastError());
        SetCurrentDirectoryA(previous);
    }
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    if (!result.started) return result;

    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    result.status = status;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}
