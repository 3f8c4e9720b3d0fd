// A block of a Windows string table: the 16 strings of ids 16 * (n - 1) to
// 16 * n - 1 of block n, each a count of UTF-16LE code units followed by them.
// No allocation: the launcher reads its configuration through this.
#ifndef VANDREL_FORMATS_STRING_BLOCK_H
#define VANDREL_FORMATS_STRING_BLOCK_H

#include <cstddef>

constexpr unsigned kStringsPerBlock = 16;

// The string that starts at *position in `block` (`size` bytes): its UTF-16LE
// text and its length in code units; *position moves past it. False when the
// block ends before the string does.
bool next_block_string(const unsigned char* block, size_t size, size_t* position, const unsigned char** text,
                       size_t* length);

#endif
