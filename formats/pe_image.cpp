// PE headers, sections and the resource directory.
#include "pe_image.h"

#include <algorithm>
#include <cstring>

#include "little_endian.h"

namespace {

constexpr uint32_t kSectionInitializedData = 0x00000040;
constexpr uint32_t kSectionRead = 0x40000000;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kMaxResourceEntries = 65536;

uint32_t align_up(uint32_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

// Offsets in the optional header that differ between PE32 and PE32+.
size_t directory_count_offset(const PeImage& image) { return image.pe32_plus ? 108 : 92; }
size_t directories_offset(const PeImage& image) { return image.pe32_plus ? 112 : 96; }

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
    std::vector<Resource>* out;
};

bool read_key(const TreeReader& r, uint32_t field, ResourceKey* key) {
    *key = ResourceKey{};
    if (!(field & 0x80000000u)) {
        if (field > 0xFFFF) return false;
        key->id = uint16_t(field);
        return true;
    }
    size_t at = field & 0x7FFFFFFFu;
    if (at + 2 > r.size) return false;
    size_t length = le16(r.data + at);
    if (at + 2 + 2 * length > r.size) return false;
    for (size_t i = 0; i < length; ++i) key->name.push_back(char16_t(le16(r.data + at + 2 + 2 * i)));
    return true;
}

// Reads the directory at `at`, of `level` 0 (types), 1 (names) or 2 (languages).
bool read_directory(TreeReader& r, size_t at, int level, Resource* path) {
    if (at + 16 > r.size) return false;
    size_t count = size_t(le16(r.data + at + 12)) + le16(r.data + at + 14);
    if (at + 16 + 8 * count > r.size) return false;
    r.entries += count;
    if (r.entries > kMaxResourceEntries) return false;
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* e = r.data + at + 16 + 8 * i;
        uint32_t key = le32(e), target = le32(e + 4);
        bool subdirectory = target & 0x80000000u;
        if (subdirectory != (level < 2)) return false;
        if (level == 0 && !read_key(r, key, &path->type)) return false;
        if (level == 1 && !read_key(r, key, &path->name)) return false;
        if (level == 2) {
            if (key > 0xFFFF) return false;
            path->language = uint16_t(key);
        }
        size_t next = target & 0x7FFFFFFFu;
        if (subdirectory) {
            // Each level lies after its parent's header: a loop cannot recur.
            if (next <= at || !read_directory(r, next, level + 1, path)) return false;
            continue;
        }
        if (next + 16 > r.size) return false;
        uint32_t rva = le32(r.data + next), length = le32(r.data + next + 4);
        size_t offset;
        if (!rva_to_offset(*r.image, r.file_size, rva, length, &offset)) return false;
        path->codepage = le32(r.data + next + 8);
        path->data.assign(r.file + offset, r.file + offset + length);
        r.out->push_back(*path);
    }
    return true;
}

bool resource_order(const Resource& a, const Resource& b) {
    if (!(a.type == b.type)) return a.type < b.type;
    if (!(a.name == b.name)) return a.name < b.name;
    return a.language < b.language;
}

void append_key_entry(std::vector<unsigned char>& out, size_t at, const ResourceKey& key, uint32_t name_offset,
                      uint32_t target) {
    store32(out.data() + at, key.name.empty() ? key.id : 0x80000000u | name_offset);
    store32(out.data() + at + 4, target);
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
    if (size < 64 || data[0] != 'M' || data[1] != 'Z') return false;
    size_t pe = le32(data + 60);
    if (pe > size || size - pe < 24 || memcmp(data + pe, "PE\0\0", 4) != 0) return false;
    *out = PeImage{};
    out->section_count = le16(data + pe + 6);
    size_t optional_size = le16(data + pe + 20);
    out->optional_header_offset = pe + 24;
    if (out->optional_header_offset + optional_size > size || optional_size < 2) return false;
    const unsigned char* opt = data + out->optional_header_offset;
    uint16_t magic = le16(opt);
    if (magic != 0x10b && magic != 0x20b) return false;
    out->pe32_plus = magic == 0x20b;
    if (optional_size < directories_offset(*out)) return false;
    out->section_alignment = le32(opt + 32);
    out->file_alignment = le32(opt + 36);
    out->size_of_image = le32(opt + 56);
    out->size_of_headers = le32(opt + 60);
    out->checksum = le32(opt + 64);
    out->subsystem = le16(opt + 68);
    if (out->file_alignment == 0 || out->section_alignment == 0 || out->file_alignment > 0x10000 ||
        out->section_alignment > 0x10000000)
        return false;
    uint32_t count = le32(opt + directory_count_offset(*out));
    count = std::min<uint32_t>(count, 16);
    count = std::min<uint32_t>(count, uint32_t((optional_size - directories_offset(*out)) / 8));
    out->directory_count = count;
    for (uint32_t i = 0; i < count; ++i) {
        out->directories[i].address = le32(opt + directories_offset(*out) + 8 * i);
        out->directories[i].size = le32(opt + directories_offset(*out) + 8 * i + 4);
    }
    out->section_table_offset = out->optional_header_offset + optional_size;
    if (out->section_table_offset + kSectionHeaderSize * out->section_count > size) return false;
    out->image_end = std::min<uint64_t>(out->size_of_headers, size);
    for (uint16_t i = 0; i < out->section_count; ++i) {
        const unsigned char* h = data + out->section_table_offset + kSectionHeaderSize * i;
        PeSection s{};
        memcpy(s.name, h, 8);
        s.virtual_size = le32(h + 8);
        s.virtual_address = le32(h + 12);
        s.raw_size = le32(h + 16);
        s.raw_pointer = le32(h + 20);
        s.characteristics = le32(h + 36);
        if (s.raw_size > 0) {
            if (uint64_t(s.raw_pointer) + s.raw_size > size) return false;
            out->image_end = std::max<uint64_t>(out->image_end, uint64_t(s.raw_pointer) + s.raw_size);
        }
        out->sections.push_back(s);
    }
    return true;
}

bool pe_is_signed(const PeImage& image) {
    return image.directory_count > kDirectorySecurity && image.directories[kDirectorySecurity].size != 0;
}

bool read_resources(const unsigned char* data, size_t size, const PeImage& image, std::vector<Resource>* out) {
    out->clear();
    if (image.directory_count <= kDirectoryResource) return true;
    const PeDirectory& d = image.directories[kDirectoryResource];
    if (d.address == 0 && d.size == 0) return true;
    // The tree may refer to anything up to the end of its section.
    for (const PeSection& s : image.sections) {
        if (d.address < s.virtual_address || d.address - s.virtual_address >= s.raw_size) continue;
        uint32_t inside = d.address - s.virtual_address;
        TreeReader r{data + s.raw_pointer + inside, s.raw_size - inside, &image, data, size, 0, out};
        Resource path{};
        if (read_directory(r, 0, 0, &path)) return true;
        out->clear();
        return false;
    }
    return false;
}

std::vector<unsigned char> build_resource_section(std::vector<Resource> resources, uint32_t section_rva) {
    std::sort(resources.begin(), resources.end(), resource_order);
    // First pass: the sizes of the three directory levels.
    size_t directories = 16, entries = 0;
    for (size_t i = 0; i < resources.size(); ++i) {
        bool new_type = i == 0 || !(resources[i].type == resources[i - 1].type);
        bool new_name = new_type || !(resources[i].name == resources[i - 1].name);
        directories += 8;  // the language entry
        if (new_name) directories += 16 + 8;
        if (new_type) directories += 16 + 8;
        ++entries;
    }
    size_t names_at = directories + 16 * entries;
    size_t names_size = 0;
    for (size_t i = 0; i < resources.size(); ++i) {
        if (!resources[i].type.name.empty() && (i == 0 || !(resources[i].type == resources[i - 1].type)))
            names_size += 2 + 2 * resources[i].type.name.size();
        if (!resources[i].name.name.empty()) names_size += 2 + 2 * resources[i].name.name.size();
    }
    size_t data_at = align_up(uint32_t(names_at + names_size), 8);
    size_t total = data_at;
    for (const Resource& r : resources) total = align_up(uint32_t(total + r.data.size()), 8);
    std::vector<unsigned char> out(total, 0);

    size_t next_directory = 16, next_entry = directories, next_name = names_at, next_data = data_at;
    auto write_name = [&](const ResourceKey& key) -> uint32_t {
        if (key.name.empty()) return 0;
        uint32_t at = uint32_t(next_name);
        store16(out.data() + next_name, uint32_t(key.name.size()));
        for (size_t c = 0; c < key.name.size(); ++c) store16(out.data() + next_name + 2 + 2 * c, key.name[c]);
        next_name += 2 + 2 * key.name.size();
        return at;
    };
    auto count_header = [&](size_t at, size_t named, size_t numbered) {
        store16(out.data() + at + 12, uint32_t(named));
        store16(out.data() + at + 14, uint32_t(numbered));
    };
    // Root: one entry per type.
    size_t type_count = 0, named_types = 0;
    for (size_t i = 0; i < resources.size(); ++i)
        if (i == 0 || !(resources[i].type == resources[i - 1].type)) {
            ++type_count;
            named_types += !resources[i].type.name.empty();
        }
    count_header(0, named_types, type_count - named_types);
    next_directory = 16 + 8 * type_count;
    size_t root_slot = 16;
    for (size_t i = 0; i < resources.size();) {
        size_t type_end = i;
        while (type_end < resources.size() && resources[type_end].type == resources[i].type) ++type_end;
        size_t type_dir = next_directory;
        append_key_entry(out, root_slot, resources[i].type, write_name(resources[i].type),
                         0x80000000u | uint32_t(type_dir));
        root_slot += 8;
        size_t name_count = 0, named_names = 0;
        for (size_t j = i; j < type_end; ++j)
            if (j == i || !(resources[j].name == resources[j - 1].name)) {
                ++name_count;
                named_names += !resources[j].name.name.empty();
            }
        count_header(type_dir, named_names, name_count - named_names);
        next_directory = type_dir + 16 + 8 * name_count;
        size_t type_slot = type_dir + 16;
        for (size_t j = i; j < type_end;) {
            size_t name_end = j;
            while (name_end < type_end && resources[name_end].name == resources[j].name) ++name_end;
            size_t name_dir = next_directory;
            append_key_entry(out, type_slot, resources[j].name, write_name(resources[j].name),
                             0x80000000u | uint32_t(name_dir));
            type_slot += 8;
            count_header(name_dir, 0, name_end - j);
            next_directory = name_dir + 16 + 8 * (name_end - j);
            for (size_t k = j; k < name_end; ++k) {
                const Resource& r = resources[k];
                size_t slot = name_dir + 16 + 8 * (k - j);
                store32(out.data() + slot, r.language);
                store32(out.data() + slot + 4, uint32_t(next_entry));
                store32(out.data() + next_entry, section_rva + uint32_t(next_data));
                store32(out.data() + next_entry + 4, uint32_t(r.data.size()));
                store32(out.data() + next_entry + 8, r.codepage);
                if (!r.data.empty()) memcpy(out.data() + next_data, r.data.data(), r.data.size());
                next_entry += 16;
                next_data = align_up(uint32_t(next_data + r.data.size()), 8);
            }
            j = name_end;
        }
        i = type_end;
    }
    return out;
}

bool replace_resources(const unsigned char* data, size_t size, const PeImage& image,
                       const std::vector<Resource>& resources, uint16_t subsystem, std::vector<unsigned char>* out) {
    std::vector<PeSection> sections = image.sections;
    const uint32_t fa = image.file_alignment, sa = image.section_alignment;
    // Every address below stays far from wrapping around.
    constexpr uint64_t kAddressLimit = 0x40000000;
    for (const PeSection& s : sections)
        if (uint64_t(s.virtual_address) + std::max(s.virtual_size, s.raw_size) > kAddressLimit) return false;
    if (size > kAddressLimit || image.size_of_headers > kAddressLimit) return false;
    const PeDirectory old_resources =
        image.directory_count > kDirectoryResource ? image.directories[kDirectoryResource] : PeDirectory{};
    const PeDirectory relocations =
        image.directory_count > kDirectoryBaseRelocation ? image.directories[kDirectoryBaseRelocation] : PeDirectory{};
    // The section that holds the resource directory, when it can be rewritten
    // in place: it starts with the directory, sections follow it in the same
    // order in memory and in the file, and all that follows is relocations.
    int in_place = -1;
    for (size_t i = 0; i < sections.size(); ++i) {
        if (old_resources.size == 0 || sections[i].virtual_address != old_resources.address) continue;
        bool movable = true;
        for (size_t j = i + 1; j < sections.size(); ++j) {
            const PeSection& s = sections[j];
            const PeSection& p = sections[j - 1];
            bool holds_relocations = relocations.size != 0 && relocations.address >= s.virtual_address &&
                                     relocations.address + relocations.size <= s.virtual_address + s.virtual_size &&
                                     strcmp(s.name, ".reloc") == 0;
            if (!holds_relocations || s.virtual_address < p.virtual_address || s.raw_pointer < p.raw_pointer)
                movable = false;
        }
        // Nothing before it in the table may lie after it, in memory or in the file.
        for (size_t k = 0; k < i; ++k) {
            const PeSection& s = sections[k];
            if (uint64_t(s.virtual_address) + s.virtual_size > sections[i].virtual_address ||
                (s.raw_size != 0 && uint64_t(s.raw_pointer) + s.raw_size > sections[i].raw_pointer))
                movable = false;
        }
        for (uint32_t d = 0; d < image.directory_count && movable; ++d) {
            if (d == kDirectoryResource || d == kDirectoryBaseRelocation || d == kDirectorySecurity) continue;
            const PeDirectory& dir = image.directories[d];
            if (dir.size != 0 && dir.address >= sections[i].virtual_address) movable = false;
        }
        if (movable) in_place = int(i);
        break;
    }
    size_t table_end = image.section_table_offset + kSectionHeaderSize * (sections.size() + (in_place < 0));
    uint32_t first_raw = image.size_of_headers;
    for (const PeSection& s : sections)
        if (s.raw_size) first_raw = std::min(first_raw, s.raw_pointer);
    // The headers, the grown section table included, must lie in the file before any section's data.
    if (table_end > first_raw || table_end > image.size_of_headers || image.size_of_headers > size ||
        image.image_end > size)
        return false;

    size_t start;  // where the rewritten tail of the file begins
    uint32_t rva;
    size_t first_moved;
    if (in_place >= 0) {
        start = sections[in_place].raw_pointer;
        rva = sections[in_place].virtual_address;
        first_moved = size_t(in_place) + 1;
    } else {
        PeSection added{};
        memcpy(added.name, ".rsrc", 6);
        added.characteristics = kSectionInitializedData | kSectionRead;
        uint32_t memory_end = 0;
        for (const PeSection& s : sections)
            memory_end = std::max(memory_end, s.virtual_address + std::max(s.virtual_size, s.raw_size));
        added.virtual_address = align_up(std::max(memory_end, image.size_of_headers), sa);
        sections.push_back(added);
        in_place = int(sections.size() - 1);
        start = align_up(uint32_t(image.image_end), fa);
        rva = added.virtual_address;
        first_moved = sections.size();
    }
    std::vector<unsigned char> section = build_resource_section(resources, rva);
    const uint32_t old_raw = in_place < int(image.sections.size()) ? sections[in_place].raw_size : 0;

    out->assign(data, data + std::min(start, size_t(image.image_end)));
    out->resize(start, 0);
    PeSection& r = sections[in_place];
    r.virtual_size = uint32_t(section.size());
    r.raw_size = align_up(uint32_t(section.size()), fa);
    r.raw_pointer = uint32_t(start);
    out->insert(out->end(), section.begin(), section.end());
    out->resize(start + r.raw_size, 0);
    int64_t initialized_delta = int64_t(r.raw_size) - old_raw;
    uint32_t memory_end = r.virtual_address + r.virtual_size;
    uint32_t new_relocations = relocations.address;
    for (size_t j = first_moved; j < sections.size(); ++j) {
        PeSection& s = sections[j];
        uint32_t moved_to = align_up(memory_end, sa);
        if (relocations.address >= s.virtual_address && relocations.address < s.virtual_address + s.virtual_size)
            new_relocations = relocations.address - s.virtual_address + moved_to;
        size_t raw_at = out->size();
        out->insert(out->end(), data + s.raw_pointer, data + s.raw_pointer + s.raw_size);
        s.virtual_address = moved_to;
        s.raw_pointer = s.raw_size ? uint32_t(raw_at) : 0;
        memory_end = s.virtual_address + s.virtual_size;
    }
    for (const PeSection& s : sections) memory_end = std::max(memory_end, s.virtual_address + s.virtual_size);

    unsigned char* o = out->data();
    unsigned char* opt = o + image.optional_header_offset;
    store16(o + image.optional_header_offset - 20 + 2, uint32_t(sections.size()));
    store32(opt + 8, uint32_t(int64_t(le32(opt + 8)) + initialized_delta));
    store32(opt + 56, align_up(memory_end, sa));
    store16(opt + 68, subsystem);
    size_t dirs = image.optional_header_offset + directories_offset(image);
    if (image.directory_count <= kDirectoryBaseRelocation) return false;
    store32(o + dirs + 8 * kDirectoryResource, rva);
    store32(o + dirs + 8 * kDirectoryResource + 4, uint32_t(section.size()));
    if (relocations.size != 0) store32(o + dirs + 8 * kDirectoryBaseRelocation, new_relocations);
    for (size_t i = 0; i < sections.size(); ++i) {
        unsigned char* h = o + image.section_table_offset + kSectionHeaderSize * i;
        if (i >= image.sections.size()) {
            memset(h, 0, kSectionHeaderSize);
            memcpy(h, sections[i].name, 8);
            store32(h + 36, sections[i].characteristics);
        }
        store32(h + 8, sections[i].virtual_size);
        store32(h + 12, sections[i].virtual_address);
        store32(h + 16, sections[i].raw_size);
        store32(h + 20, sections[i].raw_pointer);
    }
    return true;
}

uint32_t pe_checksum(const unsigned char* data, size_t size, const PeImage& image) {
    size_t field = image.optional_header_offset + 64;
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
    store32(data + image.optional_header_offset + 64, pe_checksum(data, size, image));
}

std::vector<unsigned char> encode_string_block(const std::u16string strings[16]) {
    std::vector<unsigned char> out;
    for (int i = 0; i < 16; ++i) {
        size_t at = out.size();
        out.resize(at + 2 + 2 * strings[i].size());
        store16(out.data() + at, uint32_t(strings[i].size()));
        for (size_t c = 0; c < strings[i].size(); ++c) store16(out.data() + at + 2 + 2 * c, strings[i][c]);
    }
    return out;
}

bool decode_string_block(const unsigned char* data, size_t size, std::u16string strings[16]) {
    size_t at = 0;
    for (int i = 0; i < 16; ++i) {
        strings[i].clear();
        if (at + 2 > size) return false;
        size_t length = le16(data + at);
        at += 2;
        if (at + 2 * length > size) return false;
        for (size_t c = 0; c < length; ++c) strings[i].push_back(char16_t(le16(data + at + 2 * c)));
        at += 2 * length;
    }
    return true;
}

Resource* find_resource(std::vector<Resource>& resources, uint16_t type, uint16_t name, uint16_t language) {
    for (Resource& r : resources)
        if (r.type.name.empty() && r.type.id == type && r.name.name.empty() && r.name.id == name &&
            r.language == language)
            return &r;
    return nullptr;
}
