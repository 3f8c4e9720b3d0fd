// Where the executable image of a file ends: what lies past it (an appended
// archive, or anything else) was not put there by the linker.
//
// Pure code over the file's leading bytes. The caller hands in as many bytes
// as it has; when the headers describe parts beyond them, the answer says how
// many leading bytes are needed and the caller asks again.
#ifndef VANDREL_FORMATS_IMAGE_END_H
#define VANDREL_FORMATS_IMAGE_END_H

#include <cstddef>
#include <cstdint>

enum ImageEndResult {
    kImageEndFound,          // `end` (and the certificate table) are known
    kImageEndNeedBytes,      // call again with `needed` leading bytes
    kImageEndUnknownFormat,  // neither a PE nor an ELF file, or inconsistent headers
};

struct ImageExtent {
    // First byte past the image. PE: as pe_image_end measures it, past the
    // headers, the last section's raw data and a COFF symbol table with its
    // strings. ELF: past the file header, the program and section headers and
    // every part they cover.
    uint64_t end;
    // A PE file's certificate table (the Authenticode signature), a file
    // offset and size; both 0 when the file is not signed.
    uint64_t certificate_offset;
    uint64_t certificate_size;
    // With kImageEndNeedBytes: how many leading bytes the next call needs.
    uint64_t needed;
};

// Measures the image from the first `size` bytes of a file, PE or ELF.
ImageEndResult find_image_end(const unsigned char* head, size_t size, ImageExtent* extent);
// The same for one format: any other is kImageEndUnknownFormat. A launcher
// measures only its own system's format, and links only that code.
ImageEndResult measure_pe_image(const unsigned char* head, size_t size, ImageExtent* extent);
ImageEndResult measure_elf_image(const unsigned char* head, size_t size, ImageExtent* extent);

// How many bytes of a file of `file_size` bytes lie past the image without
// being its certificate table (or the few bytes that align that table).
uint64_t bytes_after_image(const ImageExtent& extent, uint64_t file_size);

#endif
