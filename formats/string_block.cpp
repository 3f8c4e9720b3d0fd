// String-table blocks.
#include "string_block.h"

#include "little_endian.h"

bool next_block_string(const unsigned char* block, size_t size, size_t* position, const unsigned char** text,
                       size_t* length) {
    size_t at = *position;
    if (at > size || size - at < 2) return false;
    size_t count = le16(block + at);
    at += 2;
    if (2 * count > size - at) return false;
    *text = block + at;
    *length = count;
    *position = at + 2 * count;
    return true;
}
