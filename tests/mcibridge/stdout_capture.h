// Captures what is written to standard output (file descriptor 1, through
// the C library's stream) while a call runs.
#ifndef TUNEGATE_TESTS_STDOUT_CAPTURE_H
#define TUNEGATE_TESTS_STDOUT_CAPTURE_H

#include <string>

struct StdoutCapture {
    int saved_fd;
    int file_fd;
    std::string file_name;
};

// Redirects standard output into a fresh file in the given directory.
bool stdout_capture_begin(StdoutCapture* capture, const std::string& directory);

// Restores standard output and gives what was written meanwhile.
std::string stdout_capture_end(StdoutCapture* capture);

#endif
