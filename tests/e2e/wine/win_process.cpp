#include "win_process.h"

#include <windows.h>

namespace {

HANDLE create_inheritable(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string read_whole(const std::string& path) {
    std::string bytes;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(h);
    return bytes;
}

}  // namespace

WinProcessResult run_windows_process(const std::string& application, const std::string& command_line,
                                     const std::string& directory, const std::string& scratch_directory) {
    WinProcessResult result;
    static int serial = 0;
    ++serial;
    std::string out_path = scratch_directory + "\\stdout-" + std::to_string(serial) + ".txt";
    std::string err_path = scratch_directory + "\\stderr-" + std::to_string(serial) + ".txt";
    HANDLE out = create_inheritable(out_path, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = create_inheritable(err_path, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE in = create_inheritable("NUL", GENERIC_READ, OPEN_EXISTING);

    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi;
    ZeroMemory(&pi, sizeof pi);
    std::string line = command_line;  // CreateProcessA may write into it
    BOOL ok = CreateProcessA(application.empty() ? nullptr : application.c_str(), &line[0], nullptr, nullptr, TRUE, 0,
                             nullptr, directory.empty() ? nullptr : directory.c_str(), &si, &pi);
    CloseHandle(out);
    CloseHandle(err);
    CloseHandle(in);
    if (ok) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        result.started = true;
        result.status = code;
    }
    result.out = read_whole(out_path);
    result.err = read_whole(err_path);
    DeleteFileA(out_path.c_str());
    DeleteFileA(err_path.c_str());
    return result;
}
