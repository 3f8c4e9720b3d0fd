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

bool block_string_at(const unsigned char* block, size_t size, unsigned index, const unsigned char** text,
                     size_t* length) {
    size_t position = 0;
    for (unsigned i = 0; i <= index; ++i)
        if (!next_block_string(block, size, &position, text, length)) return false;
    return true;
}

std::vector<unsigned char> encode_string_block(const std::u16string strings[kStringsPerBlock]) {
    std::vector<unsigned char> out;
    for (unsigned i = 0; i < kStringsPerBlock; ++i) {
        size_t at = out.size();
        out.resize(at + 2 + 2 * strings[i].size());
        store16(out.data() + at, uint32_t(strings[i].size()));
        for (size_t c = 0; c < strings[i].size(); ++c) store16(out.data() + at + 2 + 2 * c, strings[i][c]);
    }
    return out;
}

bool decode_string_block(const unsigned char* block, size_t size, std::u16string strings[kStringsPerBlock]) {
    size_t position = 0;
    for (unsigned i = 0; i < kStringsPerBlock; ++i) {
        strings[i].clear();
        const unsigned char* text;
        size_t length;
        if (!next_block_string(block, size, &position, &text, &length)) return false;
        for (size_t c = 0; c < length; ++c) strings[i].push_back(char16_t(le16(text + 2 * c)));
    }
    return true;
}
