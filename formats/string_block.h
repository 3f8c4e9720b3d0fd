// A block of a Windows string table: the 16 strings of ids 16 * (n - 1) to
// 16 * n - 1 of block n, each a count of UTF-16LE code units followed by them.
// The one place that knows this layout: the launcher reads its configuration
// through the allocation-free readers, vandrel-pack edits a whole block
// through the codec below them.
#ifndef VANDREL_FORMATS_STRING_BLOCK_H
#define VANDREL_FORMATS_STRING_BLOCK_H

#include <cstddef>
#include <string>
#include <vector>

constexpr unsigned kStringsPerBlock = 16;

// The number of the block that holds string `id` (blocks count from 1), and
// the string's place in that block.
constexpr unsigned string_block_number(unsigned id) { return id / kStringsPerBlock + 1; }
constexpr unsigned string_block_index(unsigned id) { return id % kStringsPerBlock; }

// The string that starts at *position in `block` (`size` bytes): its UTF-16LE
// text and its length in code units; *position moves past it. False when the
// block ends before the string does.
bool next_block_string(const unsigned char* block, size_t size, size_t* position, const unsigned char** text,
                       size_t* length);

// String number `index` of `block` (`size` bytes), as next_block_string gives
// it. False when the block ends before that string does.
bool block_string_at(const unsigned char* block, size_t size, unsigned index, const unsigned char** text,
                     size_t* length);

// The bytes of a block of these 16 strings.
std::vector<unsigned char> encode_string_block(const std::u16string strings[kStringsPerBlock]);

// The 16 strings of `block` (`size` bytes); false when it ends before the
// last one does.
bool decode_string_block(const unsigned char* block, size_t size, std::u16string strings[kStringsPerBlock]);

#endif
