#include "support/capture.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

#include "support/files.h"

#ifdef _WIN32
#include <io.h>
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace {

// A file of its own beside the running test program.
std::string capture_file(int fd) {
    static int counter = 0;
    return program_directory() + kNativeSeparator + "capture-" + std::to_string(int(getpid())) + "-" +
           std::to_string(++counter) + "-" + std::to_string(fd) + ".txt";
}

}  // namespace

StreamCapture::StreamCapture(int fd) : fd_(fd), file_(capture_file(fd)), own_file_(true) { begin(); }

StreamCapture::StreamCapture(int fd, const std::string& file) : fd_(fd), file_(file), own_file_(false) { begin(); }

void StreamCapture::begin() {
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
    if (finished_) return text_;
    finished_ = true;
    fflush(stdout);
    fflush(stderr);
    if (saved_ >= 0) {
        dup2(saved_, fd_);
        close(saved_);
        saved_ = -1;
    }
    text_ = read_file(file_);
    if (own_file_) remove(file_.c_str());
    return text_;
}
