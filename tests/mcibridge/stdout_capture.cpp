#include "stdout_capture.h"

#include <fcntl.h>

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define capture_dup _dup
#define capture_dup2 _dup2
#define capture_close _close
#define capture_read _read
#define capture_lseek _lseek
#define capture_open_flags (_O_RDWR | _O_CREAT | _O_TRUNC | _O_BINARY)
#define capture_open(name) _open(name, capture_open_flags, 0600)
#define capture_unlink _unlink
#else
#include <unistd.h>
#define capture_dup dup
#define capture_dup2 dup2
#define capture_close close
#define capture_read read
#define capture_lseek lseek
#define capture_open(name) open(name, O_RDWR | O_CREAT | O_TRUNC, 0600)
#define capture_unlink unlink
#endif

bool stdout_capture_begin(StdoutCapture* capture, const std::string& directory)
{
    capture->file_name = directory + "/stdout-capture.txt";
    std::fflush(stdout);
    capture->file_fd = capture_open(capture->file_name.c_str());
    if (capture->file_fd < 0) {
        return false;
    }
    capture->saved_fd = capture_dup(1);
    if (capture->saved_fd < 0 || capture_dup2(capture->file_fd, 1) < 0) {
        capture_close(capture->file_fd);
        return false;
    }
    return true;
}

std::string stdout_capture_end(StdoutCapture* capture)
{
    std::fflush(stdout);
    capture_dup2(capture->saved_fd, 1);
    capture_close(capture->saved_fd);
    std::string text;
    capture_lseek(capture->file_fd, 0, SEEK_SET);
    char block[256];
    for (;;) {
        const int got = static_cast<int>(capture_read(capture->file_fd, block, sizeof block));
        if (got <= 0) {
            break;
        }
        text.append(block, static_cast<std::size_t>(got));
    }
    capture_close(capture->file_fd);
    capture_unlink(capture->file_name.c_str());
    return text;
}
