// Windows executable images (PE32 and PE32+): headers and section table, the
// resource directory read into plain records and written back as a whole,
// the subsystem field, the Authenticode certificate entry and the checksum.
// Pure code over buffers: the caller reads and writes the files.
#ifndef VANDREL_FORMATS_PE_IMAGE_H
#define VANDREL_FORMATS_PE_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint16_t kSubsystemGui = 2;
constexpr uint16_t kSubsystemConsole = 3;

constexpr int kDirectoryResource = 2;
constexpr int kDirectorySecurity = 4;
constexpr int kDirectoryBaseRelocation = 5;

constexpr uint16_t kResourceIcon = 3;
constexpr uint16_t kResourceString = 6;
constexpr uint16_t kResourceGroupIcon = 14;
constexpr uint16_t kResourceVersion = 16;

struct PeSection {
    char name[9];  // terminated
    uint32_t virtual_size;
    uint32_t virtual_address;
    uint32_t raw_size;
    uint32_t raw_pointer;
    uint32_t characteristics;
};

struct PeDirectory {
    uint32_t address;  // an RVA; for the certificate table a file offset
    uint32_t size;
};

struct PeImage {
    bool pe32_plus;
    size_t optional_header_offset;
    size_t section_table_offset;
    uint16_t section_count;
    uint16_t subsystem;
    uint32_t file_alignment;
    uint32_t section_alignment;
    uint32_t size_of_headers;
    uint32_t size_of_image;
    uint32_t checksum;
    uint32_t directory_count;
    PeDirectory directories[16];  // those past directory_count are zero
    std::vector<PeSection> sections;
    uint64_t image_end;  // the end of the last section's file data: anything after it is appended
};

// Reads the headers and section table. False when `data` is no PE image or
// its headers do not fit it.
bool read_pe_image(const unsigned char* data, size_t size, PeImage* out);

// True when the image carries a certificate table (an Authenticode signature).
bool pe_is_signed(const PeImage& image);

// A resource type or name: a number, or (when `name` is not empty) a text.
struct ResourceKey {
    uint16_t id;
    std::u16string name;
};

bool operator==(const ResourceKey& a, const ResourceKey& b);
bool operator<(const ResourceKey& a, const ResourceKey& b);

struct Resource {
    ResourceKey type;
    ResourceKey name;
    uint16_t language;
    uint32_t codepage;
    std::vector<unsigned char> data;
};

bool operator==(const Resource& a, const Resource& b);

// Reads every resource of the image's three-level directory. An image without
// resources gives an empty list. False when the directory is broken.
bool read_resources(const unsigned char* data, size_t size, const PeImage& image, std::vector<Resource>* out);

// The resource section for `resources` when it is placed at `section_rva`:
// directories (names before numbers, each in order), data entries, names and
// data. The list need not be sorted.
std::vector<unsigned char> build_resource_section(std::vector<Resource> resources, uint32_t section_rva);

// A copy of the image part of `data` (up to image.image_end) with its
// resources replaced by `resources` and its subsystem set to `subsystem`. The
// resource section is rewritten where it is when nothing but the relocations
// follow it (they move up), or else added as a new last section. The section
// table, the data directories, SizeOfImage and SizeOfInitializedData are
// updated; the checksum is left for pe_update_checksum. False when the image
// has no room for the new layout.
bool replace_resources(const unsigned char* data, size_t size, const PeImage& image,
                       const std::vector<Resource>& resources, uint16_t subsystem, std::vector<unsigned char>* out);

// The image checksum of a whole file, as the loader's checksum routine
// computes it (the field itself skipped).
uint32_t pe_checksum(const unsigned char* data, size_t size, const PeImage& image);

// Stores pe_checksum of the file into its checksum field.
void pe_update_checksum(unsigned char* data, size_t size, const PeImage& image);

// A string-table block (16 counted UTF-16 strings) and back. Decoding gives
// false when the block is cut short.
std::vector<unsigned char> encode_string_block(const std::u16string strings[16]);
bool decode_string_block(const unsigned char* data, size_t size, std::u16string strings[16]);

// Finds a resource by type, numeric name and language; null when absent.
Resource* find_resource(std::vector<Resource>& resources, uint16_t type, uint16_t name, uint16_t language);

#endif
