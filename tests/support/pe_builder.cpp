#include "support/pe_builder.h"

#include <cstring>

namespace pe_builder {

namespace {

void put(Bytes* b, size_t at, uint64_t value, int size) {
    if (b->size() < at + size_t(size)) b->resize(at + size_t(size));
    for (int i = 0; i < size; ++i) (*b)[at + size_t(i)] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t align(uint64_t value, uint32_t alignment) { return uint32_t((value + alignment - 1) / alignment * alignment); }

}  // namespace

size_t optional_header_offset(const Headers& h) { return h.pe_offset + 24; }

size_t section_table_offset(const Headers& h) { return optional_header_offset(h) + (h.pe32_plus ? 240 : 224); }

Bytes headers(const Headers& h) {
    Bytes b(0x40, 0);
    b[0] = 'M';
    b[1] = 'Z';
    put(&b, 0x3c, h.pe_offset, 4);
    put(&b, h.pe_offset, 0x00004550, 4);
    put(&b, h.pe_offset + 4, h.machine != 0 ? h.machine : h.pe32_plus ? 0x8664 : 0x14c, 2);
    put(&b, h.pe_offset + 6, h.sections.size() + h.empty_sections, 2);
    put(&b, h.pe_offset + 12, h.symbols, 4);
    put(&b, h.pe_offset + 16, h.symbol_count, 4);
    put(&b, h.pe_offset + 20, h.pe32_plus ? 240 : 224, 2);
    const size_t optional = optional_header_offset(h);
    put(&b, optional, h.pe32_plus ? 0x20b : 0x10b, 2);
    put(&b, optional + 32, h.section_alignment, 4);
    put(&b, optional + 36, h.file_alignment, 4);
    put(&b, optional + 56, h.size_of_image, 4);
    put(&b, optional + 60, h.size_of_headers, 4);
    put(&b, optional + 68, h.subsystem, 2);
    const size_t directories = optional + (h.pe32_plus ? 112 : 96);
    put(&b, directories - 4, 16, 4);
    for (size_t i = 0; i < 16; ++i) {
        put(&b, directories + 8 * i, h.directories[i][0], 4);
        put(&b, directories + 8 * i + 4, h.directories[i][1], 4);
    }
    const size_t table = section_table_offset(h);
    b.resize(table + 40 * (h.sections.size() + h.empty_sections), 0);
    for (size_t i = 0; i < h.sections.size(); ++i) {
        const Section& s = h.sections[i];
        memcpy(&b[table + 40 * i], s.name.data(), s.name.size() < 8 ? s.name.size() : 8);
        put(&b, table + 40 * i + 8, s.virtual_size, 4);
        put(&b, table + 40 * i + 12, s.virtual_address, 4);
        put(&b, table + 40 * i + 16, s.raw_size, 4);
        put(&b, table + 40 * i + 20, s.raw_offset, 4);
        put(&b, table + 40 * i + 36, s.characteristics, 4);
    }
    return b;
}

void lay_out(Headers* h, const std::vector<Bytes>& contents) {
    uint32_t offset = h->size_of_headers, address = h->section_alignment;
    for (size_t i = 0; i < h->sections.size() && i < contents.size(); ++i) {
        Section& s = h->sections[i];
        s.virtual_size = uint32_t(contents[i].size());
        s.virtual_address = address;
        s.raw_size = align(contents[i].size(), h->file_alignment);
        s.raw_offset = offset;
        offset += s.raw_size;
        address += align(contents[i].size(), h->section_alignment);
    }
    h->size_of_image = address;
}

Bytes image(const Headers& h, const std::vector<Bytes>& contents) {
    Bytes b = headers(h);
    b.resize(h.size_of_headers, 0);
    for (size_t i = 0; i < h.sections.size() && i < contents.size(); ++i) {
        const Section& s = h.sections[i];
        b.resize(s.raw_offset, 0);
        b.insert(b.end(), contents[i].begin(), contents[i].end());
        b.resize(size_t(s.raw_offset) + s.raw_size, 0);
    }
    return b;
}

Bytes machine_stub(uint16_t machine) {
    Headers h;
    h.machine = machine;
    Bytes b = headers(h);
    b.resize(h.pe_offset + 8);
    return b;
}

}  // namespace pe_builder
