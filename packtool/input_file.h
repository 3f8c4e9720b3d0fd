// vandrel-pack's inputs: regular files only, read at 64-bit positions, each
// bounded by a limit of its own.
#ifndef VANDREL_PACKTOOL_INPUT_FILE_H
#define VANDREL_PACKTOOL_INPUT_FILE_H

#include <cstdint>
#include <cstdio>
#include <vector>

#include "request.h"

struct InputFile {
    FILE* stream;
    const char* path;
    uint64_t size;
    long long modified;  // with the size, as the file was opened
};

// Opens `path` for reading. kSuccess, or the status after printing why not:
// kOpenFailed for a file that does not open (with the reason) or is no
// regular file (a device, a FIFO, a directory: never opened), kInputTooLarge past `limit` bytes (0: no
// limit), described by `limit_text`. With `limit_text` null nothing is
// printed.
PackStatus open_input(const char* path, uint64_t limit, const char* limit_text, InputFile* out);

// Why an input that is no special file did not open: it is missing, or it
// cannot be read.
const char* input_failure_reason(const char* path);

// Reads `size` bytes from `position`; false when the file holds fewer.
bool read_input_at(const InputFile& in, uint64_t position, void* buffer, size_t size);

void close_input(InputFile* in);

// open_input, then the whole file into `out`.
PackStatus read_whole_input(const char* path, uint64_t limit, const char* limit_text, std::vector<unsigned char>* out);

#endif
