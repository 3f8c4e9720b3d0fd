// Little-endian integers appended to a growing buffer, for the writers that
// vandrel-pack alone links (the launcher reads fixed buffers only).
#ifndef VANDREL_FORMATS_BYTE_BUFFER_H
#define VANDREL_FORMATS_BYTE_BUFFER_H

#include <cstdint>
#include <vector>

#include "little_endian.h"

inline void append16(std::vector<unsigned char>& out, uint32_t v) {
    out.resize(out.size() + 2);
    store16(out.data() + out.size() - 2, v);
}
inline void append32(std::vector<unsigned char>& out, uint32_t v) {
    out.resize(out.size() + 4);
    store32(out.data() + out.size() - 4, v);
}

#endif
