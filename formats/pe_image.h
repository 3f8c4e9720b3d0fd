// Windows executable images (PE32 and PE32+): headers and section table, the
// resource directory read into plain records and written back as a whole,
// the subsystem field, the Authenticode certificate entry and the checksum,
// over the headers that formats/pe_headers.h reads.
// Pure code over buffers: the caller reads and writes the files.
#ifndef VANDREL_FORMATS_PE_IMAGE_H
#define VANDREL_FORMATS_PE_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pe_headers.h"

// Limits that no real launcher comes near. What passes them cannot make a
// size wrap in the arithmetic below; what exceeds them is refused with
// ResourceResult::kTooLarge or kImageTooLarge, which the caller reports.
constexpr uint64_t kLauncherMaxBytes = 64 * 1024 * 1024;   // the image of a launcher
constexpr uint64_t kResourcesMaxBytes = 16 * 1024 * 1024;  // the data of all its resources together
constexpr size_t kResourceMaxEntries = 65536;              // directory entries, all three levels together

constexpr uint16_t kResourceIcon = 3;
constexpr uint16_t kResourceString = 6;
constexpr uint16_t kResourceGroupIcon = 14;
constexpr uint16_t kResourceVersion = 16;

struct PeImage : PeHeaders {
    std::vector<PeSection> sections;
    uint64_t image_end;  // as pe_image_end measures it: anything after it is appended
};

// Reads the headers and section table. False when `data` is no PE image or
// the image is cut short (its headers, sections or symbols lie past `size`).
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

// What reading, building or rewriting resources came to.
enum class ResourceResult {
    kDone,
    kBroken,         // the resource directory does not read
    kTooLarge,       // over kResourcesMaxBytes of data or kResourceMaxEntries entries, or a name over 65535 units
    kImageTooLarge,  // an image over kLauncherMaxBytes
    kNoRoom,         // no room in the image for the new layout (headers, sections, addresses)
};

// Reads every resource of the image's three-level directory. An image without
// resources gives an empty list. kBroken or kTooLarge leave `out` empty.
ResourceResult read_resources(const unsigned char* data, size_t size, const PeImage& image, std::vector<Resource>* out);

// The resource section for `resources` when it is placed at `section_rva`:
// directories (names before numbers, each in order), data entries, names and
// data. The list need not be sorted. kTooLarge for what read_resources could
// not read back.
ResourceResult build_resource_section(std::vector<Resource> resources, uint32_t section_rva,
                                      std::vector<unsigned char>* out);

// A copy of the image part of `data` (up to image.image_end) with its
// resources replaced by `resources` and its subsystem set to `subsystem`. The
// resource section is rewritten where it is when nothing but the relocations
// follow it (they move up), or else added as a new last section. The section
// table, the data directories, SizeOfImage and SizeOfInitializedData are
// updated; COFF symbols that the new layout would cut off or write over are
// dropped; the checksum is left for pe_update_checksum. kNoRoom when the
// image cannot take the new layout, kImageTooLarge or kTooLarge past the
// limits above.
ResourceResult replace_resources(const unsigned char* data, size_t size, const PeImage& image,
                                 const std::vector<Resource>& resources, uint16_t subsystem,
                                 std::vector<unsigned char>* out);

// The image checksum of a whole file, as the loader's checksum routine
// computes it (the field itself skipped).
uint32_t pe_checksum(const unsigned char* data, size_t size, const PeImage& image);

// Stores pe_checksum of the file into its checksum field.
void pe_update_checksum(unsigned char* data, size_t size, const PeImage& image);

// Finds a resource by type, numeric name and language; null when absent.
Resource* find_resource(std::vector<Resource>& resources, uint16_t type, uint16_t name, uint16_t language);

#endif
