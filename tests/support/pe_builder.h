// PE images built byte by byte for the tests of their readers: the headers
// every reader looks at, and a whole image laid out from its sections'
// contents. Offsets of the fields are written out here, once, as the format
// defines them; the product's own constants are not used, so that a wrong
// one shows.
#ifndef VANDREL_TESTS_SUPPORT_PE_BUILDER_H
#define VANDREL_TESTS_SUPPORT_PE_BUILDER_H

#include <cstdint>
#include <string>
#include <vector>

namespace pe_builder {

typedef std::vector<unsigned char> Bytes;

struct Section {
    std::string name;
    uint32_t virtual_size, virtual_address, raw_size, raw_offset, characteristics;
};

struct Headers {
    bool pe32_plus = false;
    uint16_t machine = 0;       // 0: x86, or x64 for PE32+
    uint32_t pe_offset = 0x40;  // where "PE\0\0" stands
    uint32_t size_of_headers = 0x400;
    uint32_t section_alignment = 0x1000, file_alignment = 0x200;
    uint32_t size_of_image = 0;
    uint16_t subsystem = 0;
    uint32_t symbols = 0, symbol_count = 0;  // the COFF symbol table
    std::vector<Section> sections;
    size_t empty_sections = 0;         // counted after `sections`, their headers all zero
    uint32_t directories[16][2] = {};  // address and size of each data directory
};

// Where the optional header and the section table begin.
size_t optional_header_offset(const Headers& h);
size_t section_table_offset(const Headers& h);

// The headers, up to the end of the section table (the last header of
// `empty_sections` included).
Bytes headers(const Headers& h);

// Lays `contents`, one per section, out after the headers at the file and
// section alignment: fills in each section's offsets and sizes, and
// size_of_image.
void lay_out(Headers* h, const std::vector<Bytes>& contents);

// The headers padded to size_of_headers, then each section's contents at its
// raw offset, padded to its raw size.
Bytes image(const Headers& h, const std::vector<Bytes>& contents);

// The smallest file a reader of the machine type takes: the DOS header and
// the file header of `machine`, and nothing else.
Bytes machine_stub(uint16_t machine);

}  // namespace pe_builder

#endif
