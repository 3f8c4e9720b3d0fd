#include "support/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

unsigned long process_id() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

}  // namespace

ScratchDir::ScratchDir(const std::string& tag) {
    static int counter = 0;
    std::string parent = program_directory() + kNativeSeparator + "scratch";
    std::error_code error;
    fs::create_directories(parent, error);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate =
            parent + kNativeSeparator + tag + "-" + std::to_string(process_id()) + "-" + std::to_string(++counter);
        if (fs::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
    ADD_FAILURE() << "no scratch directory could be made under " << parent;
}

ScratchDir::~ScratchDir() {
    if (path_.empty()) return;
    if (::testing::Test::HasFailure()) {
        fprintf(stderr, "scratch directory kept: %s\n", path_.c_str());
        return;
    }
    std::error_code error;
    fs::remove_all(path_, error);
}

std::string program_path() {
    char name[4096];
#ifdef _WIN32
    DWORD n = GetModuleFileNameA(nullptr, name, sizeof name);
    if (n == 0 || n >= sizeof name) return "";
#else
    ssize_t n = readlink("/proc/self/exe", name, sizeof name - 1);
    if (n <= 0) return "";
#endif
    return std::string(name, size_t(n));
}

std::string program_directory() {
    std::string path = program_path();
    size_t last = path.rfind(kNativeSeparator);
    return last == std::string::npos ? "." : path.substr(0, last);
}

std::string windows_path(const std::string& unix_path) {
    std::string path = "Z:" + unix_path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string as_written(const std::string& text) {
#ifdef _WIN32
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
#else
    return text;
#endif
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
    if (f == nullptr) {
        ADD_FAILURE() << "cannot write " << path << ": " << strerror(errno);
        return;
    }
    bool written = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (fclose(f) != 0 || !written) ADD_FAILURE() << "writing " << path << " failed";
#ifdef _WIN32
    (void)mode;
#else
    if (chmod(path.c_str(), mode) != 0) ADD_FAILURE() << "chmod " << path << ": " << strerror(errno);
#endif
}

void copy_file(const std::string& from, const std::string& to, unsigned mode) {
    std::string bytes = read_file(from);
    if (bytes.empty()) ADD_FAILURE() << "cannot read " << from;
    write_file(to, bytes, mode);
}

void make_dir(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error) ADD_FAILURE() << "cannot make " << path << ": " << error.message();
}

bool file_exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::vector<std::string> list_dir(const std::string& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
