// vandrel-pack's output: written to a temporary file created exclusively
// beside the destination, then renamed over it, so that a failure never
// leaves a half-written destination and an existing file is replaced whole.
#ifndef VANDREL_PACKTOOL_ATOMIC_FILE_H
#define VANDREL_PACKTOOL_ATOMIC_FILE_H

#include <cstddef>

enum WriteResult { kWritten, kFileCreateFailed, kFileWriteFailed };

WriteResult write_file_atomically(const char* destination, const unsigned char* data, size_t size);

// True when both names lead to the same existing file.
bool same_file(const char* a, const char* b);

#endif
