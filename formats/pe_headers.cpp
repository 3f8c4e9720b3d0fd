// PE headers and the section table, read from a file's leading bytes.
#include "pe_headers.h"

#include <cstring>

#include "little_endian.h"

namespace {

uint64_t larger(uint64_t a, uint64_t b) { return a > b ? a : b; }

PeRead need(uint64_t bytes, uint64_t* needed) {
    *needed = bytes;
    return kPeNeedBytes;
}

void read_optional_header(const unsigned char* head, PeHeaders* out) {
    const unsigned char* optional = head + out->optional_header_offset;
    out->section_alignment = le32(optional + kOptionalSectionAlignment);
    out->file_alignment = le32(optional + kOptionalFileAlignment);
    out->size_of_image = le32(optional + kOptionalSizeOfImage);
    out->size_of_headers = le32(optional + kOptionalSizeOfHeaders);
    out->checksum = le32(optional + kOptionalCheckSum);
    out->subsystem = le16(optional + kOptionalSubsystem);
    uint64_t count_at = pe_directory_count_offset(*out), directories = count_at + 4;
    uint64_t room = (out->optional_header_offset + out->optional_header_size - directories) / kDirectoryEntrySize;
    uint32_t count = le32(head + count_at);
    if (count > kMaxDirectories) count = kMaxDirectories;
    if (count > room) count = uint32_t(room);
    out->directory_count = count;
    for (uint32_t i = 0; i < count; ++i) {
        const unsigned char* entry = head + directories + kDirectoryEntrySize * i;
        out->directories[i].address = le32(entry + kDirectoryAddress);
        out->directories[i].size = le32(entry + kDirectorySize);
    }
}

}  // namespace

PeRead read_pe_machine(const unsigned char* head, size_t size, uint16_t* machine, uint64_t* needed) {
    if (size < kDosHeaderSize) return need(kDosHeaderSize, needed);
    if (head[0] != 'M' || head[1] != 'Z') return kPeNotPe;
    uint64_t signature = le32(head + kDosNewHeaderPointer);
    uint64_t machine_end = signature + kPeSignatureSize + kFileMachine + 2;
    if (size < machine_end) return need(machine_end, needed);
    if (le32(head + signature) != kPeSignature) return kPeNotPe;
    *machine = le16(head + signature + kPeSignatureSize + kFileMachine);
    return kPeRead;
}

PeRead read_pe_file_header(const unsigned char* head, size_t size, PeHeaders* out, uint64_t* needed) {
    *out = PeHeaders{};
    PeRead read = read_pe_machine(head, size, &out->machine, needed);
    if (read != kPeRead) return read;
    out->file_header_offset = uint64_t(le32(head + kDosNewHeaderPointer)) + kPeSignatureSize;
    out->optional_header_offset = out->file_header_offset + kFileHeaderSize;
    if (size < out->optional_header_offset) return need(out->optional_header_offset, needed);
    const unsigned char* file = head + out->file_header_offset;
    out->section_count = le16(file + kFileNumberOfSections);
    out->pointer_to_symbol_table = le32(file + kFilePointerToSymbolTable);
    out->number_of_symbols = le32(file + kFileNumberOfSymbols);
    out->optional_header_size = le16(file + kFileSizeOfOptionalHeader);
    out->section_table_offset = out->optional_header_offset + out->optional_header_size;
    out->section_table_end = out->section_table_offset + uint64_t(out->section_count) * kSectionHeaderSize;
    return kPeRead;
}

PeRead read_pe_headers(const unsigned char* head, size_t size, PeHeaders* out, uint64_t* needed) {
    PeRead read = read_pe_file_header(head, size, out, needed);
    if (read != kPeRead) return read;
    if (size < out->section_table_end) return need(out->section_table_end, needed);
    if (out->optional_header_size < 2) return kPeNotPe;
    uint16_t magic = le16(head + out->optional_header_offset + kOptionalMagic);
    if (magic != kOptionalMagicPe32 && magic != kOptionalMagicPe32Plus) return kPeNotPe;
    out->pe32_plus = magic == kOptionalMagicPe32Plus;
    if (out->optional_header_offset + out->optional_header_size < pe_directory_count_offset(*out) + 4) return kPeNotPe;
    read_optional_header(head, out);
    return kPeRead;
}

uint64_t pe_directory_count_offset(const PeHeaders& headers) {
    return headers.optional_header_offset +
           (headers.pe32_plus ? kOptionalNumberOfRvaAndSizesPe32Plus : kOptionalNumberOfRvaAndSizesPe32);
}

uint64_t pe_directories_offset(const PeHeaders& headers) { return pe_directory_count_offset(headers) + 4; }

void read_pe_section(const unsigned char* head, const PeHeaders& headers, unsigned index, PeSection* out) {
    const unsigned char* h = head + headers.section_table_offset + uint64_t(kSectionHeaderSize) * index;
    *out = PeSection{};
    memcpy(out->name, h + kSectionName, kSectionNameSize);
    out->virtual_size = le32(h + kSectionVirtualSize);
    out->virtual_address = le32(h + kSectionVirtualAddress);
    out->raw_size = le32(h + kSectionSizeOfRawData);
    out->raw_pointer = le32(h + kSectionPointerToRawData);
    out->characteristics = le32(h + kSectionCharacteristics);
}

void write_pe_section(unsigned char* file, const PeHeaders& headers, unsigned index, const PeSection& section) {
    unsigned char* h = file + headers.section_table_offset + uint64_t(kSectionHeaderSize) * index;
    memset(h, 0, kSectionHeaderSize);
    memcpy(h + kSectionName, section.name, strnlen(section.name, kSectionNameSize));
    store32(h + kSectionVirtualSize, section.virtual_size);
    store32(h + kSectionVirtualAddress, section.virtual_address);
    store32(h + kSectionSizeOfRawData, section.raw_size);
    store32(h + kSectionPointerToRawData, section.raw_pointer);
    store32(h + kSectionCharacteristics, section.characteristics);
}

PeRead pe_image_end(const unsigned char* head, size_t size, const PeHeaders& headers, uint64_t* end, uint64_t* needed) {
    uint64_t image_end = larger(headers.size_of_headers, headers.section_table_end);
    for (unsigned i = 0; i < headers.section_count; ++i) {
        const unsigned char* h = head + headers.section_table_offset + uint64_t(kSectionHeaderSize) * i;
        uint32_t raw_size = le32(h + kSectionSizeOfRawData);
        if (raw_size != 0) image_end = larger(image_end, uint64_t(le32(h + kSectionPointerToRawData)) + raw_size);
    }
    if (headers.pointer_to_symbol_table != 0) {
        // The string table follows the symbols; its first 4 bytes are its size.
        uint64_t strings = headers.pointer_to_symbol_table + uint64_t(headers.number_of_symbols) * kCoffSymbolSize;
        if (size < strings + 4) return need(strings + 4, needed);
        image_end = larger(image_end, strings + le32(head + strings));
    }
    *end = image_end;
    return kPeRead;
}
