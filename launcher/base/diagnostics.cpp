#include "base/diagnostics.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "platform/platform.h"

bool debug_trace = false;

void setup_standard_streams() {
    setvbuf(stderr, nullptr, _IONBF, 0);
    // Some C runtimes treat _IOLBF as full buffering, so print_info and
    // print_trace also flush at each line end themselves.
    setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
}

void switch_trace_from_environment() {
    if (platform.get_env("_JAVA_LAUNCHER_DEBUG") != nullptr) {
        debug_trace = true;
        print_trace(TRACE_BANNER);
    }
}

namespace {

int print_to_stdout(const char* format, va_list args) {
    int written = vprintf(format, args);
    if (strchr(format, '\n') != nullptr) fflush(stdout);
    return written;
}

}  // namespace

int print_error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char text[1024];
    int length = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) return length;
    if (size_t(length) < sizeof text) {
        platform.write_error(text, length);
        return length;
    }
    // A long configured message: formatted again into a block of its size.
    char* block = static_cast<char*>(allocate_or_exit(length + 1));
    va_start(args, format);
    vsnprintf(block, size_t(length) + 1, format, args);
    va_end(args);
    platform.write_error(block, length);
    free(block);
    return length;
}

int print_info(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int written = print_to_stdout(format, args);
    va_end(args);
    return written;
}

int print_trace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int written = print_to_stdout(format, args);
    va_end(args);
    return written;
}

void* allocate_or_exit(int size) {
    void* block = size >= 0 ? malloc(size_t(size) == 0 ? 1 : size_t(size)) : nullptr;
    if (block == nullptr) {
        if (size < 0) errno = ENOMEM;
        perror(MSG_MALLOC);
        end_process(1);
    }
    return block;
}

char* copy_or_exit(const char* text) {
    size_t length = strlen(text);
    char* copy = static_cast<char*>(allocate_or_exit(static_cast<int>(length + 1)));
    memcpy(copy, text, length + 1);
    return copy;
}

bool console_closes_with_process() {
    ConsoleState console = platform.console_state();
    return console.processes == 1 && console.input_is_console;
}

void pause_before_exit(int status) {
    if (status == 0 || !console_closes_with_process()) return;
    print_error(MSG_PRESS_ENTER);
    int c;
    do c = getchar();
    while (c != EOF && c != '\n');
}

void end_process(int status) {
    pause_before_exit(status);
    exit(status);
}
