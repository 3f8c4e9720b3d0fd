// The temporary-file-and-rename writer.
#include "atomic_file.h"

#include <fcntl.h>
#include <cerrno>
#include <sys/stat.h>

#include <cstdio>
#include <string>

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
#ifdef _WIN32
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* names[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        HANDLE file = CreateFileA(names[i], FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        bool known = GetFileInformationByHandle(file, &info[i]) != 0;
        CloseHandle(file);
        if (!known) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
#else
    struct stat first, second;
    return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
#endif
}
