// Little-endian integers in file buffers, as every format here stores them.
// Plain loads and stores over bytes the caller has checked: the launcher
// links these too.
#ifndef VANDREL_FORMATS_LITTLE_ENDIAN_H
#define VANDREL_FORMATS_LITTLE_ENDIAN_H

#include <cstdint>

inline uint16_t le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t le32(const unsigned char* p) { return uint32_t(le16(p)) | uint32_t(le16(p + 2)) << 16; }
inline uint64_t le64(const unsigned char* p) { return uint64_t(le32(p)) | uint64_t(le32(p + 4)) << 32; }

inline void store16(unsigned char* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void store32(unsigned char* p, uint32_t v) {
    store16(p, v);
    store16(p + 2, v >> 16);
}
inline void store64(unsigned char* p, uint64_t v) {
    store32(p, uint32_t(v));
    store32(p + 4, uint32_t(v >> 32));
}

#endif
