// Where an executable image ends: PE and ELF headers built byte by byte,
// and the test program's own file, which nothing follows.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image_end.h"
#include "platform/platform.h"
#include "support/pe_builder.h"

namespace {

using Bytes = std::vector<unsigned char>;

void put(Bytes* b, size_t at, uint64_t value, int size) {
    if (b->size() < at + size_t(size)) b->resize(at + size_t(size));
    for (int i = 0; i < size; ++i) (*b)[at + size_t(i)] = static_cast<unsigned char>(value >> (8 * i));
}

struct Section {
    uint32_t raw_offset, raw_size;
};

// A PE file's headers, its "PE" at 0x80: PE32 or PE32+, its sections, an
// optional certificate table and COFF symbol table (whose string table is
// `strings` bytes long).
Bytes pe(bool wide, std::vector<Section> sections, uint32_t certificate_offset = 0, uint32_t certificate_size = 0,
         uint32_t symbols = 0, uint32_t symbol_count = 0, uint32_t strings = 4) {
    pe_builder::Headers h;
    h.pe32_plus = wide;
    h.pe_offset = 0x80;
    for (const Section& s : sections) h.sections.push_back({"", 0, 0, s.raw_size, s.raw_offset, 0});
    h.directories[4][0] = certificate_offset;
    h.directories[4][1] = certificate_size;
    h.symbols = symbols;
    h.symbol_count = symbol_count;
    Bytes b = pe_builder::headers(h);
    if (symbols != 0) put(&b, symbols + 18 * size_t(symbol_count), strings, 4);
    return b;
}

struct Segment {
    uint64_t offset, size;
};

// An ELF file (little-endian, 64- or 32-bit): program headers right after the
// file header, section headers at `section_headers`.
Bytes elf(bool wide, std::vector<Segment> segments, uint64_t section_headers, std::vector<Segment> sections,
          bool last_section_nobits = false) {
    Bytes b(wide ? 64 : 52, 0);
    b[0] = 0x7f;
    b[1] = 'E';
    b[2] = 'L';
    b[3] = 'F';
    b[4] = wide ? 2 : 1;
    b[5] = 1;
    const int word = wide ? 8 : 4;
    const size_t header = b.size();
    const size_t phentsize = wide ? 56 : 32, shentsize = wide ? 64 : 40;
    put(&b, wide ? 32 : 28, header, word);
    put(&b, wide ? 40 : 32, section_headers, word);
    put(&b, wide ? 52 : 40, header, 2);
    put(&b, wide ? 54 : 42, phentsize, 2);
    put(&b, wide ? 56 : 44, segments.size(), 2);
    put(&b, wide ? 58 : 46, shentsize, 2);
    put(&b, wide ? 60 : 48, sections.size(), 2);
    for (size_t i = 0; i < segments.size(); ++i) {
        size_t at = header + phentsize * i;
        put(&b, at + (wide ? 8 : 4), segments[i].offset, word);
        put(&b, at + (wide ? 32 : 16), segments[i].size, word);
    }
    b.resize(header + phentsize * segments.size());
    for (size_t i = 0; i < sections.size(); ++i) {
        size_t at = section_headers + shentsize * i;
        put(&b, at + 4, last_section_nobits && i + 1 == sections.size() ? 8 : 1, 4);
        put(&b, at + (wide ? 24 : 16), sections[i].offset, word);
        put(&b, at + (wide ? 32 : 20), sections[i].size, word);
    }
    if (!sections.empty()) b.resize(section_headers + shentsize * sections.size());
    return b;
}

TEST(ImageEnd, MeasuresHeadersTheyDescribe) {
    struct Case {
        const char* what;
        Bytes file;
        uint64_t end, certificate_offset, certificate_size;
    } cases[] = {
        {"PE32, last section not last in the table", pe(false, {{0x400, 0x200}, {0x1000, 0x800}, {0x600, 0x200}}),
         0x1800, 0, 0},
        {"PE32+, an empty section is no data", pe(true, {{0x400, 0x600}, {0x9000, 0}}), 0xa00, 0, 0},
        {"no sections: the headers", pe(false, {}), 0x400, 0, 0},
        {"signed", pe(false, {{0x400, 0x1000}}, 0x1400, 0x2000), 0x1400, 0x1400, 0x2000},
        {"COFF symbols and their strings", pe(false, {{0x400, 0x200}}, 0, 0, 0x600, 10, 0x30), 0x600 + 180 + 0x30, 0,
         0},
        {"ELF64, sections at the end", elf(true, {{0, 0x1000}, {0x1000, 0x300}}, 0x2000, {{0x1300, 0x100}, {0, 0}}),
         0x2000 + 2 * 64, 0, 0},
        {"ELF64, a section past its headers", elf(true, {{0, 0x100}}, 0x200, {{0x400, 0x80}}), 0x480, 0, 0},
        {"ELF64, bss takes no file bytes", elf(true, {{0, 0x100}}, 0x200, {{0x100, 0x80}, {0x9000, 0x100}}, true),
         0x200 + 2 * 64, 0, 0},
        {"ELF32", elf(false, {{0, 0x800}}, 0x900, {{0x800, 0x40}}), 0x900 + 40, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImageExtent extent;
        ASSERT_EQ(find_image_end(c.file.data(), c.file.size(), &extent), kImageEndFound);
        EXPECT_EQ(extent.end, c.end);
        EXPECT_EQ(extent.certificate_offset, c.certificate_offset);
        EXPECT_EQ(extent.certificate_size, c.certificate_size);
    }
}

TEST(ImageEnd, AsksForTheBytesItNeedsAndRefusesWhatItDoesNotKnow) {
    Bytes elf_file = elf(true, {{0, 0x100}}, 0x200, {{0x100, 0x80}});
    Bytes pe_file = pe(false, {{0x400, 0x200}}, 0, 0, 0x600, 10);
    Bytes text(100, 'x');
    Bytes bad_pe = pe(false, {});
    bad_pe[0x80] = 'N';  // no "PE\0\0" signature
    struct Case {
        const char* what;
        const Bytes& file;
        size_t given;
        ImageEndResult result;
        uint64_t needed;
    } cases[] = {
        {"ELF: its section headers", elf_file, 64 + 56, kImageEndNeedBytes, 0x200 + 64},
        {"PE: its section table", pe_file, 0x100, kImageEndNeedBytes, 0x98 + 224 + 40},
        {"PE: its string table's size", pe_file, 0x98 + 224 + 40, kImageEndNeedBytes, 0x600 + 180 + 4},
        {"nothing", text, 0, kImageEndNeedBytes, 4},
        {"text", text, text.size(), kImageEndUnknownFormat, 0},
        {"MZ without PE", bad_pe, bad_pe.size(), kImageEndUnknownFormat, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImageExtent extent;
        ASSERT_EQ(find_image_end(c.file.data(), c.given, &extent), c.result);
        if (c.result == kImageEndNeedBytes) {
            EXPECT_EQ(extent.needed, c.needed);
        }
    }
}

TEST(ImageEnd, OnlyBytesOtherThanTheSignatureFollowTheImage) {
    struct Case {
        const char* what;
        ImageExtent extent;
        uint64_t file_size, after;
    } cases[] = {
        {"bare", {0x5000, 0, 0, 0}, 0x5000, 0},
        {"archive appended", {0x5000, 0, 0, 0}, 0x7000, 0x2000},
        {"signed bare", {0x5000, 0x5000, 0x800, 0}, 0x5800, 0},
        {"signed bare, table aligned", {0x5003, 0x5008, 0x800, 0}, 0x5808, 0},
        {"signed after packing", {0x5000, 0x7000, 0x800, 0}, 0x7800, 0x2000},
        {"bytes after the signature", {0x5000, 0x5000, 0x800, 0}, 0x6000, 0x800},
        {"table past the file's end", {0x5000, 0x5000, 0x8000, 0}, 0x6000, 0x1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(bytes_after_image(c.extent, c.file_size), c.after);
    }
}

TEST(ImageEnd, NothingFollowsTheImageOfThisProgram) {
    char path[4096];
    unsigned long length = platform.module_file_name(path, sizeof path);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, sizeof path);
    FILE* f = fopen(path, "rb");
    ASSERT_NE(f, nullptr);
    Bytes file;
    unsigned char block[65536];
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) > 0) file.insert(file.end(), block, block + n);
    fclose(f);
    ImageExtent extent;
    ASSERT_EQ(find_image_end(file.data(), file.size(), &extent), kImageEndFound);
    EXPECT_EQ(bytes_after_image(extent, file.size()), 0u) << "image ends at " << extent.end << " of " << file.size();
    file.resize(file.size() + 1000);
    EXPECT_EQ(bytes_after_image(extent, file.size()), 1000u);
}

}  // namespace
