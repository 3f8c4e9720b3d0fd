#include "test_support.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

StreamCapture::StreamCapture(int fd, const std::string& file) : fd_(fd), saved_(-1), file_(file) {
    fflush(stdout);
    fflush(stderr);
    saved_ = dup(fd_);
    int target = open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (target >= 0) {
        dup2(target, fd_);
        close(target);
    }
}

StreamCapture::~StreamCapture() { finish(); }

std::string StreamCapture::finish() {
    if (saved_ < 0) return read_file(file_);
    fflush(stdout);
    fflush(stderr);
    dup2(saved_, fd_);
    close(saved_);
    saved_ = -1;
    return read_file(file_);
}

std::string program_directory() {
    char name[4096];
#ifdef _WIN32
    DWORD n = GetModuleFileNameA(nullptr, name, sizeof name);
    if (n == 0 || n >= sizeof name) return ".";
    name[n] = '\0';
    char* last = strrchr(name, '\\');
#else
    ssize_t n = readlink("/proc/self/exe", name, sizeof name - 1);
    if (n <= 0) return ".";
    name[n] = '\0';
    char* last = strrchr(name, '/');
#endif
    if (last == nullptr) return ".";
    *last = '\0';
    return name;
}

ScratchDir::ScratchDir(const char* tag) {
    static int counter = 0;
    for (;;) {
        char name[128];
        snprintf(name, sizeof name, "scratch_%s_%d_%d", tag, int(getpid()), ++counter);
        std::string candidate = file_in(program_directory(), name);
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
        if (counter > 1000) {
            path_ = candidate;  // the tests using it fail on their own
            return;
        }
    }
}

ScratchDir::~ScratchDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::string ScratchDir::file(const std::string& name) const { return file_in(path_, name); }

std::string file_in(const std::string& directory, const std::string& name) {
    return directory + kPathSeparator + name;
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
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    fclose(f);
    return bytes;
}

void write_file(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

namespace {

std::map<unsigned, std::string> fake_strings;
bool fake_fall_through = false;
int (*real_load_string)(unsigned, char*, int) = nullptr;

int fake_load_string(unsigned id, char* buffer, int capacity) {
    auto entry = fake_strings.find(id);
    if (entry == fake_strings.end()) {
        if (fake_fall_through) return real_load_string(id, buffer, capacity);
        buffer[0] = '\0';
        return 0;
    }
    size_t n = entry->second.size();
    if (n > size_t(capacity - 1)) n = size_t(capacity - 1);
    memcpy(buffer, entry->second.data(), n);
    buffer[n] = '\0';
    return int(n);
}

}  // namespace

FakeStringTable::FakeStringTable(bool fall_through) {
    fake_strings.clear();
    fake_fall_through = fall_through;
    real_load_string = platform.load_string;
    platform.load_string = fake_load_string;
}

FakeStringTable::~FakeStringTable() { fake_strings.clear(); }

void FakeStringTable::set(unsigned id, const std::string& text) { fake_strings[id] = text; }

void FakeStringTable::clear(unsigned id) { fake_strings.erase(id); }

LoadedRuntime load_runtime_captured(const ScratchDir& scratch) {
    LoadedRuntime loaded;
    loaded.entry_points = {nullptr, nullptr};
    StreamCapture out(1, scratch.file("load-out"));
    StreamCapture err(2, scratch.file("load-err"));
    loaded.result = load_java_runtime(&loaded.entry_points);
    loaded.errors = err.finish();
    loaded.output = out.finish();
    return loaded;
}
