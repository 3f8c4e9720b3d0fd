// The headers of a Windows executable image (PE32 and PE32+): the DOS
// header's pointer, the "PE\0\0" signature, the COFF file header, the
// optional header with its data directories, and the section table. Read from
// a file's leading bytes into records named as the format names them; when
// the headers lie beyond the bytes given, the answer says how many leading
// bytes are needed. No allocation and no library beyond these records: the
// launcher links this, and vandrel-pack edits images through it.
#ifndef VANDREL_FORMATS_PE_HEADERS_H
#define VANDREL_FORMATS_PE_HEADERS_H

#include <cstddef>
#include <cstdint>

// DOS header.
constexpr size_t kDosHeaderSize = 64;
constexpr size_t kDosNewHeaderPointer = 0x3C;  // e_lfanew: where "PE\0\0" stands
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr size_t kPeSignatureSize = 4;

// COFF file header fields, from the header's start (after the signature).
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kFileMachine = 0;
constexpr size_t kFileNumberOfSections = 2;
constexpr size_t kFilePointerToSymbolTable = 8;
constexpr size_t kFileNumberOfSymbols = 12;
constexpr size_t kFileSizeOfOptionalHeader = 16;
constexpr size_t kCoffSymbolSize = 18;

// Optional header fields, from the header's start; the same in PE32 and PE32+
// up to the subsystem.
constexpr size_t kOptionalMagic = 0;
constexpr size_t kOptionalSizeOfInitializedData = 8;
constexpr size_t kOptionalSectionAlignment = 32;
constexpr size_t kOptionalFileAlignment = 36;
constexpr size_t kOptionalSizeOfImage = 56;
constexpr size_t kOptionalSizeOfHeaders = 60;
constexpr size_t kOptionalCheckSum = 64;
constexpr size_t kOptionalSubsystem = 68;
constexpr size_t kOptionalNumberOfRvaAndSizesPe32 = 92;  // the data directories follow it
constexpr size_t kOptionalNumberOfRvaAndSizesPe32Plus = 108;
constexpr uint16_t kOptionalMagicPe32 = 0x10b;
constexpr uint16_t kOptionalMagicPe32Plus = 0x20b;

// Values of the Subsystem field.
constexpr uint16_t kPeSubsystemWindowsGui = 2;
constexpr uint16_t kPeSubsystemWindowsConsole = 3;

// Data directories: their indexes, and the size of one entry.
constexpr int kDirectoryResource = 2;
constexpr int kDirectorySecurity = 4;
constexpr int kDirectoryBaseRelocation = 5;
constexpr unsigned kMaxDirectories = 16;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kDirectoryAddress = 0;
constexpr size_t kDirectorySize = 4;

// Section header fields, from the header's start.
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kSectionName = 0;
constexpr size_t kSectionNameSize = 8;
constexpr size_t kSectionVirtualSize = 8;
constexpr size_t kSectionVirtualAddress = 12;
constexpr size_t kSectionSizeOfRawData = 16;
constexpr size_t kSectionPointerToRawData = 20;
constexpr size_t kSectionCharacteristics = 36;

struct PeDirectory {
    uint32_t address;  // an RVA; for the certificate table a file offset
    uint32_t size;
};

struct PeHeaders {
    // COFF file header.
    uint64_t file_header_offset;
    uint16_t machine;
    uint16_t section_count;  // NumberOfSections
    uint32_t pointer_to_symbol_table;
    uint32_t number_of_symbols;
    // Optional header.
    uint64_t optional_header_offset;
    uint16_t optional_header_size;
    bool pe32_plus;
    uint32_t section_alignment;
    uint32_t file_alignment;
    uint32_t size_of_image;
    uint32_t size_of_headers;
    uint32_t checksum;
    uint16_t subsystem;
    uint32_t directory_count;                  // NumberOfRvaAndSizes, cut to what the header holds
    PeDirectory directories[kMaxDirectories];  // those past directory_count are zero
    // Section table.
    uint64_t section_table_offset;
    uint64_t section_table_end;
};

struct PeSection {
    char name[kSectionNameSize + 1];  // terminated
    uint32_t virtual_size;
    uint32_t virtual_address;
    uint32_t raw_size;
    uint32_t raw_pointer;
    uint32_t characteristics;
};

enum PeRead {
    kPeRead,       // the record is filled
    kPeNeedBytes,  // call again with *needed leading bytes
    kPeNotPe,      // no PE image, or headers that contradict themselves
};

// Reads the signature and the Machine field: what a library is built for.
PeRead read_pe_machine(const unsigned char* head, size_t size, uint16_t* machine, uint64_t* needed);

// Reads the signature and the COFF file header.
PeRead read_pe_file_header(const unsigned char* head, size_t size, PeHeaders* out, uint64_t* needed);

// Reads every header up to the end of the section table.
PeRead read_pe_headers(const unsigned char* head, size_t size, PeHeaders* out, uint64_t* needed);

// The offset of a field of the optional header that lies at a different
// place in PE32 and PE32+: NumberOfRvaAndSizes, and the data directories.
uint64_t pe_directory_count_offset(const PeHeaders& headers);
uint64_t pe_directories_offset(const PeHeaders& headers);

// Section `index` of a table that read_pe_headers found inside `head`.
void read_pe_section(const unsigned char* head, const PeHeaders& headers, unsigned index, PeSection* out);
// Writes `section` as section header `index` of `file`; the header's
// relocation and line-number fields, unused in images, become zero.
void write_pe_section(unsigned char* file, const PeHeaders& headers, unsigned index, const PeSection& section);

// The end of the image: the first byte past its headers, every section's raw
// data and the COFF symbols with their string table. Whatever lies past it
// (an appended archive, a certificate table) was not put there by the linker.
PeRead pe_image_end(const unsigned char* head, size_t size, const PeHeaders& headers, uint64_t* end, uint64_t* needed);

#endif
