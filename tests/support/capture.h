// Capturing what this process writes to one of its standard streams.
#ifndef VANDREL_TESTS_SUPPORT_CAPTURE_H
#define VANDREL_TESTS_SUPPORT_CAPTURE_H

#include <string>

// Redirects file descriptor `fd` (1 or 2) into a file from construction
// until finish(), which restores it and returns every byte written
// meanwhile. The stream keeps its mode: on Windows a text-mode stream writes
// "\r\n" for each line feed. Without a file name the capture goes to a file
// of its own beside the test program, removed at the end.
class StreamCapture {
public:
    explicit StreamCapture(int fd);
    StreamCapture(int fd, const std::string& file);
    ~StreamCapture();
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    // The file the stream goes to: what it holds so far can be read while
    // the capture lasts.
    const std::string& path() const { return file_; }
    std::string finish();

private:
    void begin();
    int fd_;
    int saved_ = -1;
    std::string file_;
    bool own_file_;
    bool finished_ = false;
    std::string text_;
};

#endif
