// UTF-8: the one decoder and encoder of vandrel-pack's texts and the
// manifest reader. Pure code.
#ifndef VANDREL_FORMATS_UTF8_H
#define VANDREL_FORMATS_UTF8_H

#include <cstddef>
#include <cstdint>
#include <string>

// The length of the well-formed UTF-8 sequence at `p` (`left` bytes there),
// storing its code point in `*code`: no overlong form, no surrogate, nothing
// past U+10FFFF. 0 when no such sequence begins at `p`.
size_t decode_utf8(const unsigned char* p, size_t left, uint32_t* code);

// Appends the UTF-8 form of the code point `code` (at most U+10FFFF).
void append_utf8(std::string* out, uint32_t code);

#endif
