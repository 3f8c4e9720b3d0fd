#include "utf8.h"

size_t decode_utf8(const unsigned char* p, size_t left, uint32_t* code) {
    if (left == 0) return 0;
    unsigned c = p[0];
    size_t length = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : (c >> 4) == 0xE ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length == 0 || length > left) return 0;
    uint32_t value = length == 1 ? c : length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
    for (size_t k = 1; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        value = value << 6 | (p[k] & 0x3F);
    }
    bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code = value;
    return length;
}

void append_utf8(std::string* out, uint32_t code) {
    if (code < 0x80) {
        out->push_back(char(code));
        return;
    }
    int more = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    static const unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    out->push_back(char(kLead[more] | code >> (6 * more)));
    for (int k = more - 1; k >= 0; --k) out->push_back(char(0x80 | (code >> (6 * k) & 0x3F)));
}
