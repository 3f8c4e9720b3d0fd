// The temporary-file-and-rename writer.
#include "atomic_file.h"

#include <fcntl.h>
#include <cerrno>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif

namespace {

bool replace(const char* from, const char* to) {
#ifdef _WIN32
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return rename(from, to) == 0;
#endif
}

}  // namespace

WriteResult write_file_atomically(const char* destination, const unsigned char* data, size_t size) {
    std::string temporary;
    int fd = -1;
    for (unsigned n = 0; n < 1000 && fd < 0; ++n) {
        temporary = std::string(destination) + ".vandrel-pack-" + std::to_string(n);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY, 0777);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return kFileCreateFailed;
    bool ok = true;
    for (size_t done = 0; ok && done < size;) {
        size_t chunk = size - done < (1u << 20) ? size - done : (1u << 20);
        int written = int(write(fd, data + done, unsigned(chunk)));
        ok = written > 0;
        if (ok) done += size_t(written);
    }
    ok = close(fd) == 0 && ok;
    if (ok && replace(temporary.c_str(), destination)) return kWritten;
    remove(temporary.c_str());
    return kFileWriteFailed;
}

bool same_file(const char* a, const char* b) {
    std::error_code error;
    bool same = std::filesystem::equivalent(a, b, error);
    return !error && same;
}
