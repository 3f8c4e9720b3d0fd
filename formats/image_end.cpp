#include "image_end.h"

#include "little_endian.h"
#include "pe_headers.h"

namespace {

// A certificate table starts at an offset aligned to 8 bytes; the bytes that
// pad the image up to it are part of the signing.
constexpr uint64_t kCertificateAlignment = 8;

// ELF fields in the file's byte order, at offsets checked by the caller.
struct Fields {
    const unsigned char* data;
    bool big_endian;

    uint64_t in_order(uint64_t value, int bytes) const {
        if (!big_endian) return value;
        uint64_t swapped = 0;
        for (int i = 0; i < bytes; ++i) swapped = swapped << 8 | ((value >> (8 * i)) & 0xFF);
        return swapped;
    }
    uint64_t u16(uint64_t at) const { return in_order(le16(data + at), 2); }
    uint64_t u32(uint64_t at) const { return in_order(le32(data + at), 4); }
    uint64_t u64(uint64_t at) const { return in_order(le64(data + at), 8); }
};

// a + b, or UINT64_MAX when that overflows (then no file is large enough).
uint64_t add(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }
uint64_t mul(uint64_t a, uint64_t b) { return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b; }
uint64_t max(uint64_t a, uint64_t b) { return a > b ? a : b; }

ImageEndResult need(uint64_t bytes, ImageExtent* extent) {
    if (bytes == UINT64_MAX) return kImageEndUnknownFormat;
    extent->needed = bytes;
    return kImageEndNeedBytes;
}

ImageEndResult measure_pe(const unsigned char* head, size_t size, ImageExtent* extent) {
    PeHeaders headers;
    uint64_t needed = 0;
    PeRead read = read_pe_headers(head, size, &headers, &needed);
    if (read == kPeRead) read = pe_image_end(head, size, headers, &extent->end, &needed);
    if (read == kPeNeedBytes) return need(needed, extent);
    if (read == kPeNotPe) return kImageEndUnknownFormat;
    extent->certificate_offset = 0;
    extent->certificate_size = 0;
    if (headers.directory_count > kDirectorySecurity) {
        // A file offset, not an address.
        extent->certificate_offset = headers.directories[kDirectorySecurity].address;
        extent->certificate_size = headers.directories[kDirectorySecurity].size;
        if (extent->certificate_offset == 0) extent->certificate_size = 0;
    }
    return kImageEndFound;
}

ImageEndResult measure_elf(const unsigned char* head, size_t size, ImageExtent* extent) {
    if (size < 64) return need(64, extent);
    bool wide = head[4] == 2;
    if ((head[4] != 1 && head[4] != 2) || (head[5] != 1 && head[5] != 2)) return kImageEndUnknownFormat;
    Fields f{head, head[5] == 2};
    auto word = [&](uint64_t at) { return wide ? f.u64(at) : f.u32(at); };

    uint64_t program_headers = word(wide ? 32 : 28);
    uint64_t section_headers = word(wide ? 40 : 32);
    uint64_t header_size = f.u16(wide ? 52 : 40);
    uint64_t program_entry = f.u16(wide ? 54 : 42);
    uint64_t program_count = f.u16(wide ? 56 : 44);
    uint64_t section_entry = f.u16(wide ? 58 : 46);
    uint64_t section_count = f.u16(wide ? 60 : 48);
    const uint64_t min_program_entry = wide ? 56 : 32;
    const uint64_t min_section_entry = wide ? 64 : 40;
    if ((program_count != 0 && program_entry < min_program_entry) ||
        (section_headers != 0 && section_entry < min_section_entry))
        return kImageEndUnknownFormat;

    // With 0xffff sections or more the count is the first section's size.
    if (section_headers != 0 && section_count == 0) {
        uint64_t first_end = add(section_headers, section_entry);
        if (size < first_end) return need(first_end, extent);
        section_count = word(section_headers + (wide ? 32 : 20));
    }
    if (section_headers == 0) section_count = 0;
    uint64_t program_end = add(program_headers, mul(program_count, program_entry));
    uint64_t section_end = add(section_headers, mul(section_count, section_entry));
    uint64_t tables_end = max(program_end, section_end);
    if (size < tables_end) return need(tables_end, extent);

    uint64_t end = max(header_size, tables_end);
    for (uint64_t i = 0; i < program_count; ++i) {
        uint64_t at = program_headers + i * program_entry;
        uint64_t offset = word(at + (wide ? 8 : 4));
        uint64_t file_size = word(at + (wide ? 32 : 16));
        end = max(end, add(offset, file_size));
    }
    for (uint64_t i = 0; i < section_count; ++i) {
        uint64_t at = section_headers + i * section_entry;
        const uint64_t kNoBits = 8;  // occupies no bytes of the file
        if (f.u32(at + 4) == kNoBits) continue;
        uint64_t offset = word(at + (wide ? 24 : 16));
        uint64_t section_size = word(at + (wide ? 32 : 20));
        end = max(end, add(offset, section_size));
    }
    if (end == UINT64_MAX) return kImageEndUnknownFormat;
    extent->end = end;
    extent->certificate_offset = 0;
    extent->certificate_size = 0;
    return kImageEndFound;
}

}  // namespace

ImageEndResult measure_pe_image(const unsigned char* head, size_t size, ImageExtent* extent) {
    extent->needed = 0;
    if (size < 4) return need(4, extent);
    if (head[0] != 'M' || head[1] != 'Z') return kImageEndUnknownFormat;
    return measure_pe(head, size, extent);
}

ImageEndResult measure_elf_image(const unsigned char* head, size_t size, ImageExtent* extent) {
    extent->needed = 0;
    if (size < 4) return need(4, extent);
    if (head[0] != 0x7f || head[1] != 'E' || head[2] != 'L' || head[3] != 'F') return kImageEndUnknownFormat;
    return measure_elf(head, size, extent);
}

ImageEndResult find_image_end(const unsigned char* head, size_t size, ImageExtent* extent) {
    ImageEndResult result = measure_pe_image(head, size, extent);
    return result == kImageEndUnknownFormat ? measure_elf_image(head, size, extent) : result;
}

uint64_t bytes_after_image(const ImageExtent& extent, uint64_t file_size) {
    if (file_size <= extent.end) return 0;
    uint64_t after = file_size - extent.end;
    uint64_t certificate_end = add(extent.certificate_offset, extent.certificate_size);
    if (extent.certificate_size == 0 || extent.certificate_offset < extent.end || certificate_end > file_size)
        return after;
    after -= extent.certificate_size;
    uint64_t gap = extent.certificate_offset - extent.end;
    if (gap < kCertificateAlignment) after -= gap;
    return after;
}
