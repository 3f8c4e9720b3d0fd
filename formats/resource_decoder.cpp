#include "resource_decoder.h"

#include <cstdint>

#include "little_endian.h"
#include "string_block.h"

namespace {

constexpr uint16_t kStringTableType = 6;  // RT_STRING

// Reads a name-or-id field of a resource header at `*pos` (header ends at
// `end`). Returns the id, or -1 for a named field; false when it overruns.
bool read_name_or_id(const unsigned char* res, size_t end, size_t* pos, long* id) {
    if (*pos + 2 > end) return false;
    if (le16(res + *pos) == 0xFFFF) {
        if (*pos + 4 > end) return false;
        *id = le16(res + *pos + 2);
        *pos += 4;
        return true;
    }
    *id = -1;
    while (true) {  // zero-terminated UTF-16 name
        if (*pos + 2 > end) return false;
        uint16_t c = le16(res + *pos);
        *pos += 2;
        if (c == 0) return true;
    }
}

// Code page 1252's characters 0x80 to 0x9F; 0 where the code page has none.
const uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char to_cp1252(uint16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
    return '?';
}

// Finds the block of string-table entries holding `id`. Returns its data, or
// null when there is none.
const unsigned char* find_block(const unsigned char* res, size_t size, unsigned id, size_t* block_size) {
    const long wanted_block = long(string_block_number(id));
    size_t pos = 0;
    while (pos + 8 <= size) {
        uint32_t data_size = le32(res + pos);
        uint32_t header_size = le32(res + pos + 4);
        if (header_size < 8 || header_size > size - pos || data_size > size - pos - header_size) return nullptr;
        size_t header_end = pos + header_size;
        size_t field = pos + 8;
        long type = 0, name = 0;
        if (!read_name_or_id(res, header_end, &field, &type) || !read_name_or_id(res, header_end, &field, &name))
            return nullptr;
        if (type == kStringTableType && name == wanted_block) {
            *block_size = data_size;
            return res + header_end;
        }
        pos = header_end + data_size;
        pos = (pos + 3) & ~size_t(3);
    }
    return nullptr;
}

}  // namespace

bool find_resource_string(const unsigned char* res, size_t size, unsigned id, const unsigned char** text,
                          size_t* length) {
    size_t block_size = 0;
    const unsigned char* block = find_block(res, size, id, &block_size);
    return block && block_string_at(block, block_size, string_block_index(id), text, length);
}

int decode_resource_string(const unsigned char* res, size_t size, unsigned id, char* buffer, int capacity) {
    buffer[0] = '\0';
    const unsigned char* text = nullptr;
    size_t length = 0;
    if (!find_resource_string(res, size, id, &text, &length)) return 0;
    int stored = 0;
    for (size_t i = 0; i < length && stored < capacity - 1; ++i) buffer[stored++] = to_cp1252(le16(text + 2 * i));
    buffer[stored] = '\0';
    return stored;
}
