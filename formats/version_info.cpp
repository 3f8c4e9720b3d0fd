// VS_VERSIONINFO blocks: each is a length, a value length, a type (0 binary,
// 1 text), a terminated UTF-16 key, padding to 4 bytes, the value, padding,
// then the children.
#include "version_info.h"

#include <cstdlib>
#include <cstring>

#include "byte_buffer.h"

namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr size_t kFixedSize = 52;

void pad4(std::vector<unsigned char>& out) {
    while (out.size() % 4) out.push_back(0);
}

// Starts a block; returns where its length goes.
size_t open_block(std::vector<unsigned char>& out, const std::u16string& key, uint32_t value_length, bool text) {
    pad4(out);
    size_t at = out.size();
    append16(out, 0);
    append16(out, value_length);
    append16(out, text ? 1 : 0);
    for (char16_t c : key) append16(out, c);
    append16(out, 0);
    pad4(out);
    return at;
}
// Stores the block's length; false when it does not fit its field.
bool close_block(std::vector<unsigned char>& out, size_t at) {
    if (out.size() - at > kVersionBlockMaxBytes) return false;
    store16(out.data() + at, uint32_t(out.size() - at));
    return true;
}

uint32_t quad_high(const uint16_t v[4]) { return uint32_t(v[0]) << 16 | v[1]; }
uint32_t quad_low(const uint16_t v[4]) { return uint32_t(v[2]) << 16 | v[3]; }

struct Block {
    size_t start, end;  // of the whole block
    size_t value;       // where the value starts
    size_t value_length;
    bool text;
    std::u16string key;
    size_t children;  // where the children start
};

// Reads the block at `at` inside data[0, limit).
bool read_block(const unsigned char* data, size_t limit, size_t at, Block* b) {
    if (at + 6 > limit) return false;
    size_t length = le16(data + at);
    if (length < 6 || at + length > limit) return false;
    b->start = at;
    b->end = at + length;
    b->value_length = le16(data + at + 2);
    b->text = le16(data + at + 4) == 1;
    b->key.clear();
    size_t p = at + 6;
    for (;;) {
        if (p + 2 > b->end) return false;
        char16_t c = char16_t(le16(data + p));
        p += 2;
        if (c == 0) break;
        b->key.push_back(c);
    }
    p = (p + 3) & ~size_t(3);
    b->value = p;
    size_t value_bytes = b->text ? 2 * b->value_length : b->value_length;
    if (p > b->end || value_bytes > b->end - p) return false;
    b->children = (p + value_bytes + 3) & ~size_t(3);
    return true;
}

}  // namespace

bool build_version_info(const VersionInfo& info, std::vector<unsigned char>* built) {
    std::vector<unsigned char>& out = *built;
    out.clear();
    size_t root = open_block(out, u"VS_VERSION_INFO", kFixedSize, false);
    for (uint32_t field : {kFixedSignature, 0x00010000u, quad_high(info.file_version), quad_low(info.file_version),
                           quad_high(info.product_version), quad_low(info.product_version),
                           0x3Fu,        // flags mask
                           0u,           // flags
                           0x40004u,     // VOS_NT_WINDOWS32
                           1u,           // VFT_APP
                           0u, 0u, 0u})  // subtype, date
        append32(out, field);
    size_t file_info = open_block(out, u"StringFileInfo", 0, true);
    size_t table = open_block(out, kVersionTable, 0, true);
    for (const auto& s : info.strings) {
        size_t entry = open_block(out, s.first, uint32_t(s.second.size() + 1), true);
        for (char16_t c : s.second) append16(out, c);
        append16(out, 0);
        if (!close_block(out, entry)) return false;
    }
    if (!close_block(out, table) || !close_block(out, file_info)) return false;
    size_t var_info = open_block(out, u"VarFileInfo", 0, true);
    size_t translation = open_block(out, u"Translation", 4, false);
    append16(out, 0x0409);
    append16(out, 0x04B0);
    return close_block(out, translation) && close_block(out, var_info) && close_block(out, root);
}

bool read_version_info(const unsigned char* data, size_t size, VersionInfo* out) {
    *out = VersionInfo{};
    Block root;
    if (!read_block(data, size, 0, &root) || root.key != u"VS_VERSION_INFO") return false;
    if (root.value_length >= kFixedSize && le32(data + root.value) == kFixedSignature) {
        const unsigned char* f = data + root.value;
        uint32_t v[4] = {le32(f + 8), le32(f + 12), le32(f + 16), le32(f + 20)};
        uint16_t* quads[2] = {out->file_version, out->product_version};
        for (int q = 0; q < 2; ++q) {
            quads[q][0] = uint16_t(v[2 * q] >> 16);
            quads[q][1] = uint16_t(v[2 * q]);
            quads[q][2] = uint16_t(v[2 * q + 1] >> 16);
            quads[q][3] = uint16_t(v[2 * q + 1]);
        }
    }
    for (size_t at = root.children; at + 6 <= root.end;) {
        Block child;
        if (!read_block(data, root.end, at, &child)) return false;
        if (child.key == u"StringFileInfo") {
            Block table;
            if (child.children + 6 <= child.end) {
                if (!read_block(data, child.end, child.children, &table)) return false;
                for (size_t s = table.children; s + 6 <= table.end;) {
                    Block entry;
                    if (!read_block(data, table.end, s, &entry)) return false;
                    std::u16string value;
                    size_t length = entry.text ? entry.value_length : entry.value_length / 2;
                    for (size_t i = 0; i < length; ++i) {
                        char16_t c = char16_t(le16(data + entry.value + 2 * i));
                        if (c == 0) break;
                        value.push_back(c);
                    }
                    out->strings.emplace_back(entry.key, value);
                    s = (entry.end + 3) & ~size_t(3);
                }
            }
        }
        at = (child.end + 3) & ~size_t(3);
    }
    return true;
}

bool parse_version_quad(const char* text, uint16_t out[4]) {
    memset(out, 0, 4 * sizeof out[0]);
    const char* p = text;
    for (int part = 0; part < 4; ++part) {
        if (*p < '0' || *p > '9') return false;
        unsigned long n = 0;
        while (*p >= '0' && *p <= '9') {
            n = n * 10 + unsigned(*p++ - '0');
            if (n > 65535) return false;
        }
        out[part] = uint16_t(n);
        if (*p == '\0') return true;
        if (*p++ != '.') return false;
    }
    return false;
}

void set_version_string(VersionInfo* info, const std::u16string& key, const std::u16string& value) {
    for (auto& s : info->strings)
        if (s.first == key) {
            s.second = value;
            return;
        }
    info->strings.emplace_back(key, value);
}
