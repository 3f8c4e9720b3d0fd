// ZIP end records, central directory and local headers, read from buffers.
#include "zip_directory.h"

#include <cstring>

#include "little_endian.h"

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kLocatorSignature = 0x07064b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint16_t kZip64ExtraId = 0x0001;

// Fills *out from the end record at tail[at].
void read_end_record(const unsigned char* tail, size_t at, uint64_t tail_position, ZipEndRecord* out) {
    const unsigned char* r = tail + at;
    *out = ZipEndRecord{};
    out->position = tail_position + at;
    out->entry_count = le16(r + 10);
    out->directory_size = le32(r + 12);
    out->directory_offset = le32(r + 16);
    out->comment_length = le16(r + 20);
    out->needs_zip64 = le16(r + 8) == 0xFFFF || le16(r + 10) == 0xFFFF || out->directory_size == 0xFFFFFFFF ||
                       out->directory_offset == 0xFFFFFFFF;
    if (at >= kZip64LocatorSize && le32(r - kZip64LocatorSize) == kLocatorSignature) {
        out->has_locator = true;
        out->locator.field_position = out->position - kZip64LocatorSize + 8;
        out->locator.directory_offset = le64(r - kZip64LocatorSize + 8);
    }
}

// Completes *out from the directory's size and stored offset, given where it ends.
bool place_directory(uint64_t directory_end, ZipDirectory* out) {
    if (out->directory_size > directory_end) return false;
    out->directory_position = directory_end - out->directory_size;
    if (out->directory_offset > out->directory_position) return false;
    out->archive_start = out->directory_position - out->directory_offset;
    return true;
}

}  // namespace

bool find_end_record(const unsigned char* tail, size_t tail_size, uint64_t tail_position, ZipEndRecord* out) {
    if (tail_size < kZipEndRecordSize) return false;
    size_t fitting = SIZE_MAX;
    for (size_t at = tail_size - kZipEndRecordSize + 1; at-- > 0;) {
        if (le32(tail + at) != kEndSignature) continue;
        size_t room = tail_size - at - kZipEndRecordSize;
        size_t comment = le16(tail + at + 20);
        if (comment == room) {
            read_end_record(tail, at, tail_position, out);
            return true;
        }
        if (comment < room && fitting == SIZE_MAX) fitting = at;
    }
    if (fitting == SIZE_MAX) return false;
    read_end_record(tail, fitting, tail_position, out);
    return true;
}

bool find_zip64_locator(const unsigned char* tail, size_t tail_size, uint64_t tail_position, Zip64Locator* out) {
    ZipEndRecord end;
    if (!find_end_record(tail, tail_size, tail_position, &end) || !end.has_locator) return false;
    *out = end.locator;
    return true;
}

bool zip_directory_from_end(const ZipEndRecord& end, ZipDirectory* out) {
    if (end.needs_zip64) return false;
    *out = ZipDirectory{};
    out->entry_count = end.entry_count;
    out->directory_size = end.directory_size;
    out->directory_offset = end.directory_offset;
    return place_directory(end.position, out);
}

int zip64_end_record_candidates(const ZipEndRecord& end, uint64_t candidates[2]) {
    uint64_t locator_position = end.position - kZip64LocatorSize;
    if (!end.has_locator || locator_position < kZip64EndRecordSize) return 0;
    uint64_t before = locator_position - kZip64EndRecordSize;
    int n = 0;
    if (end.locator.directory_offset < before) candidates[n++] = end.locator.directory_offset;
    candidates[n++] = before;
    return n;
}

bool zip_directory_from_zip64(const ZipEndRecord& end, const unsigned char* record, size_t record_size,
                              uint64_t record_position, ZipDirectory* out) {
    if (record_size < kZip64EndRecordSize || le32(record) != kZip64EndSignature) return false;
    if (record_position > end.position - kZip64LocatorSize) return false;
    *out = ZipDirectory{};
    out->zip64 = true;
    out->entry_count = le64(record + 32);
    out->directory_size = le64(record + 40);
    out->directory_offset = le64(record + 48);
    return place_directory(record_position, out);
}

ZipCursor zip_cursor(const unsigned char* directory, size_t size) { return ZipCursor{directory, size, 0}; }

ZipNext zip_next_entry(ZipCursor* cursor, ZipEntry* out) {
    size_t left = cursor->size - cursor->position;
    if (left == 0) return kZipDone;
    const unsigned char* h = cursor->directory + cursor->position;
    if (left < kZipCentralHeaderSize || le32(h) != kCentralSignature) return kZipBroken;
    size_t name_length = le16(h + 28), extra_length = le16(h + 30), comment_length = le16(h + 32);
    size_t total = kZipCentralHeaderSize + name_length + extra_length + comment_length;
    if (total > left) return kZipBroken;
    *out = ZipEntry{};
    out->flags = le16(h + 8);
    out->method = le16(h + 10);
    out->crc32 = le32(h + 16);
    out->compressed_size = le32(h + 20);
    out->uncompressed_size = le32(h + 24);
    out->local_header_offset = le32(h + 42);
    out->name = reinterpret_cast<const char*>(h + kZipCentralHeaderSize);
    out->name_length = name_length;
    // The ZIP64 extra field holds, in this order, only the values whose
    // 32-bit fields are all ones.
    const unsigned char* extra = h + kZipCentralHeaderSize + name_length;
    for (size_t at = 0; at + 4 <= extra_length;) {
        size_t id = le16(extra + at), size = le16(extra + at + 2);
        if (at + 4 + size > extra_length) break;
        if (id == kZip64ExtraId) {
            const unsigned char* v = extra + at + 4;
            size_t used = 0;
            uint64_t* wide[3] = {&out->uncompressed_size, &out->compressed_size, &out->local_header_offset};
            for (uint64_t* field : wide) {
                if (*field != 0xFFFFFFFF) continue;
                if (used + 8 > size) return kZipBroken;
                *field = le64(v + used);
                used += 8;
            }
            break;
        }
        at += 4 + size;
    }
    cursor->position += total;
    return kZipEntry;
}

bool zip_local_data_offset(const unsigned char* header, size_t size, uint64_t* out) {
    if (size < kZipLocalHeaderSize || le32(header) != kLocalSignature) return false;
    *out = kZipLocalHeaderSize + uint64_t(le16(header + 26)) + le16(header + 28);
    return true;
}
