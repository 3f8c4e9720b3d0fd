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

constexpr uint32_t kMagic32 = 0xFFFFFFFF;
constexpr uint16_t kMagic16 = 0xFFFF;

// True when the 4 bytes at absolute `at` lie in `tail` and hold `signature`.
bool signature_at(const ZipTail& tail, uint64_t at, uint32_t signature) {
    if (at < tail.position || at - tail.position > tail.size || tail.size - (at - tail.position) < 4) return false;
    return le32(tail.bytes + (at - tail.position)) == signature;
}

void read_end_record(const ZipTail& tail, size_t at, ZipEndRecord* out) {
    const unsigned char* r = tail.bytes + at;
    *out = ZipEndRecord{};
    out->position = tail.position + at;
    out->entry_count = le16(r + 10);
    out->directory_size = le32(r + 12);
    out->directory_offset = le32(r + 16);
    out->comment_length = le16(r + 20);
}

// An end record followed by other bytes than its comment is taken when its
// directory and the archive's start show their signatures.
bool starts_show_signatures(const ZipTail& tail, const ZipEndRecord& end) {
    if (end.directory_size > end.position) return false;
    uint64_t directory = end.position - end.directory_size;
    if (end.directory_offset > directory) return false;
    return signature_at(tail, directory, kCentralSignature) &&
           signature_at(tail, directory - end.directory_offset, kLocalSignature);
}

// Completes *out from the directory's size and stored offset, given where it ends.
bool place_directory(uint64_t directory_end, ZipDirectory* out) {
    if (out->directory_size > directory_end) return false;
    out->directory_position = directory_end - out->directory_size;
    if (out->directory_offset > out->directory_position) return false;
    out->archive_start = out->directory_position - out->directory_offset;
    // Each entry takes a header at least: entry_count <= directory_size / 46,
    // without a 64-bit division (a library routine on 32-bit systems).
    return out->entry_count <= UINT64_MAX / kZipCentralHeaderSize &&
           out->entry_count * kZipCentralHeaderSize <= out->directory_size;
}

// True when the ZIP64 end record's value agrees with the end record's field,
// or that field holds its "see ZIP64" value.
bool agrees(uint64_t wide, uint32_t narrow, uint32_t magic) { return narrow == magic || wide == narrow; }

}  // namespace

bool find_end_record(const ZipTail& tail, ZipEndRecord* out) {
    if (tail.size < kZipEndRecordSize) return false;
    size_t lowest = tail.size - kZipEndRecordSize > kZipCommentMax ? tail.size - kZipEndRecordSize - kZipCommentMax : 0;
    for (size_t at = tail.size - kZipEndRecordSize + 1; at-- > lowest;) {
        if (le32(tail.bytes + at) != kEndSignature) continue;
        read_end_record(tail, at, out);
        if (out->comment_length == tail.size - at - kZipEndRecordSize || starts_show_signatures(tail, *out))
            return true;
    }
    return false;
}

bool find_zip64_locator(const ZipTail& tail, const ZipEndRecord& end, Zip64Locator* out) {
    if (end.position < tail.position + kZip64LocatorSize) return false;
    const unsigned char* locator = tail.bytes + (end.position - tail.position - kZip64LocatorSize);
    if (le32(locator) != kLocatorSignature) return false;
    uint64_t record = le64(locator + 8);
    if (!signature_at(tail, record, kZip64EndSignature) || record > end.position - kZip64LocatorSize ||
        end.position - kZip64LocatorSize - record < kZip64EndRecordSize)
        return false;
    const unsigned char* r = tail.bytes + (record - tail.position);
    if (!agrees(le64(r + 32), end.entry_count, kMagic16) || !agrees(le64(r + 40), end.directory_size, kMagic32) ||
        !agrees(le64(r + 48), end.directory_offset, kMagic32))
        return false;
    out->field_position = end.position - kZip64LocatorSize + 8;
    out->record_position = record;
    return true;
}

bool read_zip_directory(const ZipTail& tail, const ZipEndRecord& end, ZipDirectory* out) {
    *out = ZipDirectory{};
    Zip64Locator locator;
    if (!find_zip64_locator(tail, end, &locator)) {
        out->entry_count = end.entry_count;
        out->directory_size = end.directory_size;
        out->directory_offset = end.directory_offset;
        return place_directory(end.position, out);
    }
    const unsigned char* r = tail.bytes + (locator.record_position - tail.position);
    out->zip64 = true;
    out->entry_count = le64(r + 32);
    out->directory_size = le64(r + 40);
    out->directory_offset = le64(r + 48);
    return place_directory(locator.record_position, out);
}

bool rebase_zip64_locator(unsigned char* tail, size_t size, uint64_t position, uint64_t shift) {
    ZipTail bytes{tail, size, position};
    ZipEndRecord end;
    Zip64Locator locator;
    if (!find_end_record(bytes, &end) || end.comment_length != position + size - end.position - kZipEndRecordSize ||
        !find_zip64_locator(bytes, end, &locator))
        return false;
    store64(tail + (locator.field_position - position), locator.record_position + shift);
    return true;
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
