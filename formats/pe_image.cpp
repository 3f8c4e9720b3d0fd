// PE images, their sections and the resource directory.
#include "pe_image.h"

#include <algorithm>
#include <cstring>

#include "little_endian.h"

namespace {

constexpr uint32_t kSectionInitializedData = 0x00000040;
constexpr uint32_t kSectionRead = 0x40000000;

// The resource directory: a header per directory, then its entries (a key
// and a target each); the data entries that the leaves point at.
constexpr size_t kResourceDirectorySize = 16;
constexpr size_t kResourceNamedCount = 12;
constexpr size_t kResourceNumberedCount = 14;
constexpr size_t kResourceEntrySize = 8;
constexpr size_t kResourceEntryKey = 0;
constexpr size_t kResourceEntryTarget = 4;
constexpr size_t kResourceDataEntrySize = 16;
constexpr size_t kResourceDataRva = 0;
constexpr size_t kResourceDataSize = 4;
constexpr size_t kResourceDataCodepage = 8;
constexpr uint32_t kResourceNameFlag = 0x80000000u;      // in an entry's key: the name's offset follows
constexpr uint32_t kResourceSubdirectory = 0x80000000u;  // in an entry's target
constexpr uint64_t kResourceDataAlignment = 8;
constexpr size_t kResourceNameMaxUnits = 0xFFFF;
// Every address of an image that is rewritten stays far from wrapping around.
constexpr uint64_t kAddressLimit = 0x40000000;

uint64_t align_up(uint64_t value, uint64_t alignment) { return (value + alignment - 1) / alignment * alignment; }

// The file offset of `size` bytes at `rva`, when a section's file data holds them.
bool rva_to_offset(const PeImage& image, size_t file_size, uint32_t rva, uint32_t size, size_t* out) {
    for (const PeSection& s : image.sections) {
        uint32_t extent = std::min(s.virtual_size ? s.virtual_size : s.raw_size, s.raw_size);
        if (rva < s.virtual_address || rva - s.virtual_address > extent) continue;
        uint32_t inside = rva - s.virtual_address;
        if (size > extent - inside) continue;
        uint64_t offset = uint64_t(s.raw_pointer) + inside;
        if (offset + size > file_size) return false;
        *out = size_t(offset);
        return true;
    }
    return false;
}

struct TreeReader {
    const unsigned char* data;  // the resource directory's section bytes from the directory's start
    size_t size;
    const PeImage* image;
    const unsigned char* file;
    size_t file_size;
    size_t entries;
    uint64_t bytes;  // data and names of the resources read, as each holds them
    bool too_large;
    std::vector<Resource>* out;
};

bool read_key(const TreeReader& r, uint32_t field, ResourceKey* key) {
    *key = ResourceKey{};
    if (!(field & kResourceNameFlag)) {
        if (field > 0xFFFF) return false;
        key->id = uint16_t(field);
        return true;
    }
    size_t at = field & ~kResourceNameFlag;
    if (at + 2 > r.size) return false;
    size_t length = le16(r.data + at);
    if (at + 2 + 2 * length > r.size) return false;
    for (size_t i = 0; i < length; ++i) key->name.push_back(char16_t(le16(r.data + at + 2 + 2 * i)));
    return true;
}

// Reads the data entry at `at` into the resource `path` names.
bool read_leaf(TreeReader& r, size_t at, Resource* path) {
    if (at + kResourceDataEntrySize > r.size) return false;
    uint32_t rva = le32(r.data + at + kResourceDataRva), length = le32(r.data + at + kResourceDataSize);
    size_t offset;
    if (!rva_to_offset(*r.image, r.file_size, rva, length, &offset)) return false;
    // Leaves may share one block of data: each copy counts.
    r.bytes += length + 2 * (path->type.name.size() + path->name.name.size());
    if (r.bytes > kResourcesMaxBytes) {
        r.too_large = true;
        return false;
    }
    path->codepage = le32(r.data + at + kResourceDataCodepage);
    path->data.assign(r.file + offset, r.file + offset + length);
    r.out->push_back(*path);
    return true;
}

// Reads the directory at `at`, of `level` 0 (types), 1 (names) or 2 (languages).
bool read_directory(TreeReader& r, size_t at, int level, Resource* path) {
    if (at + kResourceDirectorySize > r.size) return false;
    size_t count = size_t(le16(r.data + at + kResourceNamedCount)) + le16(r.data + at + kResourceNumberedCount);
    if (at + kResourceDirectorySize + kResourceEntrySize * count > r.size) return false;
    r.entries += count;
    if (r.entries > kResourceMaxEntries) {
        r.too_large = true;
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* e = r.data + at + kResourceDirectorySize + kResourceEntrySize * i;
        uint32_t key = le32(e + kResourceEntryKey), target = le32(e + kResourceEntryTarget);
        bool subdirectory = target & kResourceSubdirectory;
        if (subdirectory != (level < 2)) return false;
        if (level == 0 && !read_key(r, key, &path->type)) return false;
        if (level == 1 && !read_key(r, key, &path->name)) return false;
        if (level == 2) {
            if (key > 0xFFFF) return false;
            path->language = uint16_t(key);
        }
        size_t next = target & ~kResourceSubdirectory;
        // Each level lies after its parent's header: a loop cannot recur.
        bool read = subdirectory ? next > at && read_directory(r, next, level + 1, path) : read_leaf(r, next, path);
        if (!read) return false;
    }
    return true;
}

bool resource_order(const Resource& a, const Resource& b) {
    if (!(a.type == b.type)) return a.type < b.type;
    if (!(a.name == b.name)) return a.name < b.name;
    return a.language < b.language;
}

// Sorted resources form runs: of one type (level 0), of one name within a
// type (level 1), and single languages (level 2).
const ResourceKey& level_key(const Resource& r, int level) { return level == 0 ? r.type : r.name; }

size_t run_end(const std::vector<Resource>& resources, size_t first, size_t end, int level) {
    if (level == 2) return first + 1;
    size_t i = first + 1;
    while (i < end && level_key(resources[i], level) == level_key(resources[first], level)) ++i;
    return i;
}

// Where the parts of a resource section go: directories, data entries,
// names, then the data.
struct SectionPlan {
    uint64_t data_entries_at;
    uint64_t names_at;
    uint64_t data_at;
    uint64_t total;
};

ResourceResult plan_resource_section(const std::vector<Resource>& resources, SectionPlan* plan) {
    uint64_t directories = kResourceDirectorySize, entries = 0, names = 0, bytes = 0, data = 0;
    for (size_t i = 0; i < resources.size(); ++i) {
        const Resource& r = resources[i];
        bool new_type = i == 0 || !(r.type == resources[i - 1].type);
        bool new_name = new_type || !(r.name == resources[i - 1].name);
        for (const ResourceKey* key : {new_type ? &r.type : nullptr, new_name ? &r.name : nullptr}) {
            if (key == nullptr) continue;
            if (key->name.size() > kResourceNameMaxUnits) return ResourceResult::kTooLarge;
            directories += kResourceDirectorySize + kResourceEntrySize;
            names += key->name.empty() ? 0 : 2 + 2 * key->name.size();
            ++entries;
        }
        directories += kResourceEntrySize;
        ++entries;
        bytes += r.data.size();
        data = align_up(data + r.data.size(), kResourceDataAlignment);
    }
    if (entries > kResourceMaxEntries || bytes + names > kResourcesMaxBytes) return ResourceResult::kTooLarge;
    plan->data_entries_at = directories;
    plan->names_at = directories + kResourceDataEntrySize * resources.size();
    plan->data_at = align_up(plan->names_at + names, kResourceDataAlignment);
    plan->total = plan->data_at + data;
    return ResourceResult::kDone;
}

struct SectionWriter {
    unsigned char* out;
    uint32_t section_rva;
    uint64_t next_directory, next_data_entry, next_name, next_data;
};

// The key field of an entry: the number, or the offset of the name written for it.
uint32_t write_key(SectionWriter& w, const ResourceKey& key) {
    if (key.name.empty()) return key.id;
    uint64_t at = w.next_name;
    store16(w.out + at, uint32_t(key.name.size()));
    for (size_t c = 0; c < key.name.size(); ++c) store16(w.out + at + 2 + 2 * c, key.name[c]);
    w.next_name += 2 + 2 * key.name.size();
    return kResourceNameFlag | uint32_t(at);
}

// Writes the data entry and the data of `r`; returns the entry's offset.
uint32_t write_leaf(SectionWriter& w, const Resource& r) {
    uint64_t at = w.next_data_entry;
    store32(w.out + at + kResourceDataRva, w.section_rva + uint32_t(w.next_data));
    store32(w.out + at + kResourceDataSize, uint32_t(r.data.size()));
    store32(w.out + at + kResourceDataCodepage, r.codepage);
    if (!r.data.empty()) memcpy(w.out + w.next_data, r.data.data(), r.data.size());
    w.next_data_entry += kResourceDataEntrySize;
    w.next_data = align_up(w.next_data + r.data.size(), kResourceDataAlignment);
    return uint32_t(at);
}

// Writes the directory of `level` for resources [first, end), and all below
// it; returns its offset.
uint32_t write_directory(SectionWriter& w, const std::vector<Resource>& resources, size_t first, size_t end,
                         int level) {
    size_t named = 0, numbered = 0;
    for (size_t i = first; i < end; i = run_end(resources, i, end, level))
        ++(level < 2 && !level_key(resources[i], level).name.empty() ? named : numbered);
    uint64_t at = w.next_directory;
    store16(w.out + at + kResourceNamedCount, uint32_t(named));
    store16(w.out + at + kResourceNumberedCount, uint32_t(numbered));
    w.next_directory += kResourceDirectorySize + kResourceEntrySize * (named + numbered);
    unsigned char* slot = w.out + at + kResourceDirectorySize;
    for (size_t i = first; i < end; slot += kResourceEntrySize) {
        size_t next = run_end(resources, i, end, level);
        if (level == 2) {
            store32(slot + kResourceEntryKey, resources[i].language);
            store32(slot + kResourceEntryTarget, write_leaf(w, resources[i]));
        } else {
            store32(slot + kResourceEntryKey, write_key(w, level_key(resources[i], level)));
            store32(slot + kResourceEntryTarget,
                    kResourceSubdirectory | write_directory(w, resources, i, next, level + 1));
        }
        i = next;
    }
    return uint32_t(at);
}

// How a rewritten image is laid out.
struct ImagePlan {
    std::vector<PeSection> sections;  // the new section table
    size_t resource_index;            // the resource section's place in it
    size_t first_moved;               // the sections from here on follow the resources and move up
    uint64_t start;                   // where the resource section begins in the file
    uint32_t relocations;             // the base relocations' new address
    uint32_t memory_end;              // the end of the last section in memory
    int64_t initialized_delta;        // the change of SizeOfInitializedData
    uint64_t headers_end;             // the end of the new section table
    bool keeps_symbols;               // the COFF symbols stay where they are
};

PeDirectory directory_of(const PeImage& image, int index) {
    return image.directory_count > uint32_t(index) ? image.directories[index] : PeDirectory{};
}

// True when section `i`, which starts with the resource directory, can be
// rewritten in place: sections follow it in the same order in memory and in
// the file, all that follows is relocations, and no other directory points
// past its start.
bool rewritable_in_place(const PeImage& image, size_t i) {
    const std::vector<PeSection>& sections = image.sections;
    const PeDirectory relocations = directory_of(image, kDirectoryBaseRelocation);
    for (size_t j = i + 1; j < sections.size(); ++j) {
        const PeSection& s = sections[j];
        const PeSection& p = sections[j - 1];
        bool holds_relocations = relocations.size != 0 && relocations.address >= s.virtual_address &&
                                 relocations.address + relocations.size <= s.virtual_address + s.virtual_size &&
                                 strcmp(s.name, ".reloc") == 0;
        if (!holds_relocations || s.virtual_address < p.virtual_address || s.raw_pointer < p.raw_pointer) return false;
    }
    for (size_t k = 0; k < i; ++k) {
        const PeSection& s = sections[k];
        if (uint64_t(s.virtual_address) + s.virtual_size > sections[i].virtual_address ||
            (s.raw_size != 0 && uint64_t(s.raw_pointer) + s.raw_size > sections[i].raw_pointer))
            return false;
    }
    for (uint32_t d = 0; d < image.directory_count; ++d) {
        if (d == kDirectoryResource || d == kDirectoryBaseRelocation || d == kDirectorySecurity) continue;
        const PeDirectory& dir = image.directories[d];
        if (dir.size != 0 && dir.address >= sections[i].virtual_address) return false;
    }
    return true;
}

// The section to rewrite in place, or -1 when the resources go into a new one.
int in_place_section(const PeImage& image) {
    const PeDirectory resources = directory_of(image, kDirectoryResource);
    for (size_t i = 0; i < image.sections.size(); ++i)
        if (resources.size != 0 && image.sections[i].virtual_address == resources.address)
            return rewritable_in_place(image, i) ? int(i) : -1;
    return -1;
}

// Chooses where the resource section goes. Checks that the image is small
// enough to rewrite and that its headers have room for the section table.
ResourceResult plan_placement(const PeImage& image, ImagePlan* plan) {
    if (image.image_end > kLauncherMaxBytes) return ResourceResult::kImageTooLarge;
    for (const PeSection& s : image.sections)
        if (uint64_t(s.virtual_address) + std::max(s.virtual_size, s.raw_size) > kAddressLimit)
            return ResourceResult::kNoRoom;
    if (image.directory_count <= kDirectoryBaseRelocation) return ResourceResult::kNoRoom;
    plan->sections = image.sections;
    int in_place = in_place_section(image);
    bool added = in_place < 0;
    // NumberOfSections is 16 bits wide.
    if (added && plan->sections.size() >= 0xFFFF) return ResourceResult::kNoRoom;
    uint64_t table_end = image.section_table_offset + kSectionHeaderSize * (plan->sections.size() + added);
    uint64_t first_raw = image.size_of_headers;
    for (const PeSection& s : plan->sections)
        if (s.raw_size) first_raw = std::min<uint64_t>(first_raw, s.raw_pointer);
    // The headers, the grown section table included, lie before any section's data.
    if (table_end > first_raw) return ResourceResult::kNoRoom;
    plan->headers_end = table_end;
    if (!added) {
        plan->resource_index = size_t(in_place);
        plan->start = plan->sections[plan->resource_index].raw_pointer;
        plan->first_moved = plan->resource_index + 1;
        return ResourceResult::kDone;
    }
    PeSection section{};
    memcpy(section.name, ".rsrc", 6);
    section.characteristics = kSectionInitializedData | kSectionRead;
    uint64_t memory_end = image.size_of_headers;
    for (const PeSection& s : plan->sections)
        memory_end = std::max<uint64_t>(memory_end, uint64_t(s.virtual_address) + std::max(s.virtual_size, s.raw_size));
    section.virtual_address = uint32_t(align_up(memory_end, image.section_alignment));
    plan->sections.push_back(section);
    plan->resource_index = plan->first_moved = plan->sections.size() - 1;
    ++plan->first_moved;
    plan->start = align_up(image.image_end, image.file_alignment);
    return ResourceResult::kDone;
}

// Places the resource section of `size` bytes and the sections that follow
// it, in memory and in the file.
void plan_moves(const PeImage& image, uint32_t size, ImagePlan* plan) {
    PeSection& r = plan->sections[plan->resource_index];
    const uint32_t old_raw = plan->resource_index < image.sections.size() ? r.raw_size : 0;
    r.virtual_size = size;
    r.raw_size = uint32_t(align_up(size, image.file_alignment));
    r.raw_pointer = uint32_t(plan->start);
    plan->initialized_delta = int64_t(r.raw_size) - old_raw;
    const PeDirectory relocations = directory_of(image, kDirectoryBaseRelocation);
    plan->relocations = relocations.address;
    uint64_t memory_end = uint64_t(r.virtual_address) + r.virtual_size;
    uint64_t file_end = uint64_t(r.raw_pointer) + r.raw_size;
    for (size_t j = plan->first_moved; j < plan->sections.size(); ++j) {
        PeSection& s = plan->sections[j];
        uint32_t moved_to = uint32_t(align_up(memory_end, image.section_alignment));
        if (relocations.address >= s.virtual_address && relocations.address < s.virtual_address + s.virtual_size)
            plan->relocations = relocations.address - s.virtual_address + moved_to;
        s.virtual_address = moved_to;
        s.raw_pointer = s.raw_size ? uint32_t(file_end) : 0;
        file_end += s.raw_size;
        memory_end = uint64_t(s.virtual_address) + s.virtual_size;
    }
    for (const PeSection& s : plan->sections)
        memory_end = std::max<uint64_t>(memory_end, uint64_t(s.virtual_address) + s.virtual_size);
    plan->memory_end = uint32_t(memory_end);
}

// The bytes of the new file: what comes before the resources, the resource
// section, and the sections that follow it at their new places.
void copy_image(const unsigned char* data, const PeImage& image, const ImagePlan& plan,
                const std::vector<unsigned char>& section, std::vector<unsigned char>* out) {
    out->assign(data, data + std::min(plan.start, image.image_end));
    out->resize(plan.start, 0);
    out->insert(out->end(), section.begin(), section.end());
    out->resize(plan.start + plan.sections[plan.resource_index].raw_size, 0);
    for (size_t j = plan.first_moved; j < plan.sections.size(); ++j) {
        const PeSection& old = image.sections[j];
        out->insert(out->end(), data + old.raw_pointer, data + old.raw_pointer + old.raw_size);
    }
}

// False when the image has COFF symbols that the rewrite would not keep
// whole: symbols that start inside the headers it writes (up to the end of
// the grown section table), or symbols and string table that reach into the
// resource section and what follows it. Their string table's size field,
// written over or cut off, would put the image's end anywhere.
bool keeps_symbols(const unsigned char* data, const PeImage& image, const ImagePlan& plan) {
    if (image.pointer_to_symbol_table == 0) return true;
    // The string table follows the symbols; its first 4 bytes are its size.
    uint64_t strings = image.pointer_to_symbol_table + uint64_t(image.number_of_symbols) * kCoffSymbolSize;
    uint64_t end = std::max<uint64_t>(strings + 4, strings + le32(data + strings));
    return image.pointer_to_symbol_table >= plan.headers_end && end <= plan.start;
}

// Writes the new layout into the copied headers.
void patch_headers(unsigned char* out, const PeImage& image, const ImagePlan& plan, uint16_t subsystem) {
    unsigned char* file_header = out + image.file_header_offset;
    store16(file_header + kFileNumberOfSections, uint32_t(plan.sections.size()));
    if (!plan.keeps_symbols) {  // the symbols were not kept whole
        store32(file_header + kFilePointerToSymbolTable, 0);
        store32(file_header + kFileNumberOfSymbols, 0);
    }
    unsigned char* optional = out + image.optional_header_offset;
    uint32_t initialized = le32(optional + kOptionalSizeOfInitializedData);
    store32(optional + kOptionalSizeOfInitializedData, uint32_t(int64_t(initialized) + plan.initialized_delta));
    store32(optional + kOptionalSizeOfImage, uint32_t(align_up(plan.memory_end, image.section_alignment)));
    store16(optional + kOptionalSubsystem, subsystem);
    unsigned char* directories = out + pe_directories_offset(image);
    const PeSection& resources = plan.sections[plan.resource_index];
    unsigned char* resource_entry = directories + kDirectoryEntrySize * kDirectoryResource;
    store32(resource_entry + kDirectoryAddress, resources.virtual_address);
    store32(resource_entry + kDirectorySize, resources.virtual_size);
    if (image.directories[kDirectoryBaseRelocation].size != 0)
        store32(directories + kDirectoryEntrySize * kDirectoryBaseRelocation + kDirectoryAddress, plan.relocations);
    for (size_t i = 0; i < plan.sections.size(); ++i) write_pe_section(out, image, unsigned(i), plan.sections[i]);
}

}  // namespace

bool operator==(const ResourceKey& a, const ResourceKey& b) { return a.id == b.id && a.name == b.name; }

bool operator<(const ResourceKey& a, const ResourceKey& b) {
    // Named entries come first, as the directory stores them.
    if (a.name.empty() != b.name.empty()) return !a.name.empty();
    if (!a.name.empty()) return a.name < b.name;
    return a.id < b.id;
}

bool operator==(const Resource& a, const Resource& b) {
    return a.type == b.type && a.name == b.name && a.language == b.language && a.codepage == b.codepage &&
           a.data == b.data;
}

bool read_pe_image(const unsigned char* data, size_t size, PeImage* out) {
    *out = PeImage{};
    uint64_t needed = 0;
    PeHeaders& headers = *out;
    if (read_pe_headers(data, size, &headers, &needed) != kPeRead) return false;
    if (out->file_alignment == 0 || out->section_alignment == 0 || out->file_alignment > 0x10000 ||
        out->section_alignment > 0x10000000)
        return false;
    if (pe_image_end(data, size, headers, &out->image_end, &needed) != kPeRead || out->image_end > size) return false;
    out->sections.resize(out->section_count);
    for (unsigned i = 0; i < out->section_count; ++i) {
        read_pe_section(data, headers, i, &out->sections[i]);
        // Section data never lies inside the headers: a rewrite could not
        // keep both.
        const PeSection& s = out->sections[i];
        if (s.raw_size != 0 && s.raw_pointer < out->size_of_headers) return false;
    }
    return true;
}

bool pe_is_signed(const PeImage& image) {
    return image.directory_count > kDirectorySecurity && image.directories[kDirectorySecurity].size != 0;
}

ResourceResult read_resources(const unsigned char* data, size_t size, const PeImage& image,
                              std::vector<Resource>* out) {
    out->clear();
    const PeDirectory d = directory_of(image, kDirectoryResource);
    if (d.address == 0 && d.size == 0) return ResourceResult::kDone;
    // The tree may refer to anything up to the end of its section.
    for (const PeSection& s : image.sections) {
        if (d.address < s.virtual_address || d.address - s.virtual_address >= s.raw_size) continue;
        uint32_t inside = d.address - s.virtual_address;
        TreeReader r{data + s.raw_pointer + inside, s.raw_size - inside, &image, data, size, 0, 0, false, out};
        Resource path{};
        if (read_directory(r, 0, 0, &path)) return ResourceResult::kDone;
        out->clear();
        return r.too_large ? ResourceResult::kTooLarge : ResourceResult::kBroken;
    }
    return ResourceResult::kBroken;
}

ResourceResult build_resource_section(std::vector<Resource> resources, uint32_t section_rva,
                                      std::vector<unsigned char>* out) {
    std::sort(resources.begin(), resources.end(), resource_order);
    SectionPlan plan;
    ResourceResult planned = plan_resource_section(resources, &plan);
    if (planned != ResourceResult::kDone) return planned;
    out->assign(plan.total, 0);
    SectionWriter writer{out->data(), section_rva, 0, plan.data_entries_at, plan.names_at, plan.data_at};
    write_directory(writer, resources, 0, resources.size(), 0);
    return ResourceResult::kDone;
}

ResourceResult replace_resources(const unsigned char* data, size_t size, const PeImage& image,
                                 const std::vector<Resource>& resources, uint16_t subsystem,
                                 std::vector<unsigned char>* out) {
    ImagePlan plan;
    ResourceResult result = image.image_end > size ? ResourceResult::kNoRoom : plan_placement(image, &plan);
    if (result != ResourceResult::kDone) return result;
    std::vector<unsigned char> section;
    result = build_resource_section(resources, plan.sections[plan.resource_index].virtual_address, &section);
    if (result != ResourceResult::kDone) return result;
    plan_moves(image, uint32_t(section.size()), &plan);
    plan.keeps_symbols = keeps_symbols(data, image, plan);
    copy_image(data, image, plan, section, out);
    patch_headers(out->data(), image, plan, subsystem);
    return ResourceResult::kDone;
}

uint32_t pe_checksum(const unsigned char* data, size_t size, const PeImage& image) {
    size_t field = image.optional_header_offset + kOptionalCheckSum;
    uint64_t sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2) {
        if (i == field || i == field + 2) continue;
        sum += le16(data + i);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    if (size & 1) {
        sum += data[size - 1];
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return uint32_t(sum + size);
}

void pe_update_checksum(unsigned char* data, size_t size, const PeImage& image) {
    store32(data + image.optional_header_offset + kOptionalCheckSum, pe_checksum(data, size, image));
}

Resource* find_resource(std::vector<Resource>& resources, uint16_t type, uint16_t name, uint16_t language) {
    for (Resource& r : resources)
        if (r.type.name.empty() && r.type.id == type && r.name.name.empty() && r.name.id == name &&
            r.language == language)
            return &r;
    return nullptr;
}
