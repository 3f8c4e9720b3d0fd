#include "support/zip_builder.h"

#include <cstdint>

namespace zip_builder {

namespace {

void put(Bytes& b, uint64_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

uint64_t get(const Bytes& b, size_t at, int n) {
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + size_t(i)];
    return v;
}

void append(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

void local_header(Bytes& zip, const Entry& e) {
    put(zip, 0x04034b50, 4);
    put(zip, 20, 2), put(zip, 0, 2), put(zip, 0, 2), put(zip, 0, 4), put(zip, 0, 4);
    put(zip, e.data.size(), 4), put(zip, e.data.size(), 4);
    put(zip, e.name.size(), 2), put(zip, 0, 2);
    append(zip, e.name);
    append(zip, e.data);
}

// A central-directory entry; with `zip64`, its offset in a ZIP64 extra field.
void central_entry(Bytes& zip, const Entry& e, uint64_t offset, bool zip64) {
    put(zip, 0x02014b50, 4);
    put(zip, 45, 2), put(zip, 45, 2), put(zip, 0, 2), put(zip, 0, 2), put(zip, 0, 4), put(zip, 0, 4);
    put(zip, e.data.size(), 4), put(zip, e.data.size(), 4);
    put(zip, e.name.size(), 2), put(zip, zip64 ? 12 : 0, 2), put(zip, 0, 2);
    put(zip, 0, 2), put(zip, 0, 2), put(zip, 0, 4);
    put(zip, zip64 ? 0xFFFFFFFF : offset, 4);
    append(zip, e.name);
    if (zip64) put(zip, 1, 2), put(zip, 8, 2), put(zip, offset, 8);
}

// The ZIP64 end record at `record` and its locator, which names `record` +
// `locator_shift`.
void zip64_end(Bytes& zip, uint64_t entries, uint64_t directory_size, uint64_t directory, uint64_t record,
               uint64_t locator_shift) {
    put(zip, 0x06064b50, 4), put(zip, 44, 8), put(zip, 45, 2), put(zip, 45, 2), put(zip, 0, 4), put(zip, 0, 4);
    put(zip, entries, 8), put(zip, entries, 8), put(zip, directory_size, 8), put(zip, directory, 8);
    put(zip, 0x07064b50, 4), put(zip, 0, 4), put(zip, record + locator_shift, 8), put(zip, 1, 4);
}

void end_record(Bytes& zip, uint64_t entries, uint64_t directory_size, uint64_t directory, bool zip64,
                const std::string& comment) {
    put(zip, 0x06054b50, 4), put(zip, 0, 2), put(zip, 0, 2);
    put(zip, zip64 ? 0xFFFF : entries, 2), put(zip, zip64 ? 0xFFFF : entries, 2);
    put(zip, zip64 ? 0xFFFFFFFF : directory_size, 4), put(zip, zip64 ? 0xFFFFFFFF : directory, 4);
    put(zip, comment.size(), 2);
    append(zip, comment);
}

}  // namespace

Bytes archive(const std::vector<Entry>& entries, const Shape& shape) {
    Bytes zip(shape.prefix, 'x');
    std::vector<uint64_t> offsets;
    for (const Entry& e : entries) {
        offsets.push_back(zip.size() - shape.prefix);
        local_header(zip, e);
    }
    uint64_t directory = zip.size() - shape.prefix;
    for (size_t i = 0; i < entries.size(); ++i) central_entry(zip, entries[i], offsets[i], shape.zip64);
    uint64_t directory_size = zip.size() - shape.prefix - directory;
    if (shape.zip64)
        zip64_end(zip, entries.size(), directory_size, directory, zip.size() - shape.prefix,
                  shape.rebase ? shape.prefix : 0);
    end_record(zip, entries.size(), directory_size, directory, shape.zip64, shape.comment);
    return zip;
}

bool zip64_form(const Bytes& plain, size_t padding, Bytes* out) {
    if (plain.size() < 22) return false;
    const size_t end = plain.size() - 22;
    uint64_t entries = get(plain, end + 10, 2), directory_size = get(plain, end + 12, 4);
    uint64_t directory = get(plain, end + 16, 4);
    if (get(plain, end, 4) != 0x06054b50 || get(plain, end + 20, 2) != 0 || directory + directory_size > end)
        return false;
    Bytes zip(plain.begin(), plain.begin() + long(directory));
    std::vector<uint64_t> offsets;
    for (size_t i = 0; i < padding; ++i) {
        offsets.push_back(zip.size());
        local_header(zip, {"pad/" + std::to_string(i), ""});
    }
    uint64_t new_directory = zip.size();
    zip.insert(zip.end(), plain.begin() + long(directory), plain.begin() + long(directory + directory_size));
    for (size_t i = 0; i < padding; ++i) central_entry(zip, {"pad/" + std::to_string(i), ""}, offsets[i], false);
    uint64_t new_size = zip.size() - new_directory;
    zip64_end(zip, entries + padding, new_size, new_directory, zip.size(), 0);
    end_record(zip, 0, 0, 0, true, "");
    *out = zip;
    return true;
}

}  // namespace zip_builder
