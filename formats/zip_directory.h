// The directory of a ZIP archive, read from buffers the caller fills: the end
// records at the archive's tail, the ZIP64 end record, the central directory
// and an entry's local header. Nothing here touches a file. An archive may
// sit at the end of a larger file (a launcher followed by its JAR): every
// position taken or returned is absolute in that file, and the archive's start
// is found from the end record (the directory's real position less the
// offset stored for it).
#ifndef VANDREL_FORMATS_ZIP_DIRECTORY_H
#define VANDREL_FORMATS_ZIP_DIRECTORY_H

#include <cstddef>
#include <cstdint>

// The most bytes from an archive's end that can hold its end records: the
// end-of-central-directory record with the longest comment plus the ZIP64 locator.
constexpr size_t kZipTailMax = 65535 + 22 + 20;

constexpr size_t kZipEndRecordSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndRecordSize = 56;
constexpr size_t kZipCentralHeaderSize = 46;
constexpr size_t kZipLocalHeaderSize = 30;

struct Zip64Locator {
    uint64_t field_position;    // absolute position in the archive of the locator's 8-byte offset field
    uint64_t directory_offset;  // that field's value: where the ZIP64 end record starts
};

// Finds the ZIP64 end-of-central-directory locator in `tail`, the archive's last
// `tail_size` bytes, which start at absolute position `tail_position`. False when
// the archive has no end record or no ZIP64 locator.
bool find_zip64_locator(const unsigned char* tail, size_t tail_size, uint64_t tail_position, Zip64Locator* out);

// The end-of-central-directory record as stored (its 16- and 32-bit fields).
struct ZipEndRecord {
    uint64_t position;          // absolute position of the record's signature
    uint32_t entry_count;       // entries in the whole directory (0xFFFF: see the ZIP64 record)
    uint32_t directory_size;    // 0xFFFFFFFF: see the ZIP64 record
    uint32_t directory_offset;  // from the archive's start; 0xFFFFFFFF: see the ZIP64 record
    uint16_t comment_length;
    bool needs_zip64;      // a field holds its "see ZIP64" value
    bool has_locator;      // a ZIP64 locator precedes the record
    Zip64Locator locator;  // valid when has_locator
};

// Finds the last end record in `tail` (the file's last `tail_size` bytes, from
// `tail_position`) whose comment reaches exactly to the file's end, or failing
// that the last one whose comment fits. False when there is none.
bool find_end_record(const unsigned char* tail, size_t tail_size, uint64_t tail_position, ZipEndRecord* out);

// The directory's extent in 64-bit values, whichever record held them.
struct ZipDirectory {
    uint64_t entry_count;
    uint64_t directory_size;
    uint64_t directory_offset;    // as stored: counts from the archive's start
    uint64_t directory_position;  // absolute: where the directory really begins
    uint64_t archive_start;       // absolute: directory_position - directory_offset
    bool zip64;
};

// The directory of an archive without ZIP64 records. False when its fields
// need the ZIP64 record or the directory cannot end at the end record.
bool zip_directory_from_end(const ZipEndRecord& end, ZipDirectory* out);

// Where the ZIP64 end record is to be read: the locator's offset counts from
// the archive's start in a plain archive and from the file's start in a
// rebased one, so both candidates are tried; the record sits directly before
// the locator in archives written by every common tool. `candidates` gets up
// to two absolute positions; returns how many.
int zip64_end_record_candidates(const ZipEndRecord& end, uint64_t candidates[2]);

// Reads the ZIP64 end record in `record` (kZip64EndRecordSize bytes read from
// absolute `record_position`) and completes the directory with it. False when
// the signature is wrong or the directory cannot end where the record begins.
bool zip_directory_from_zip64(const ZipEndRecord& end, const unsigned char* record, size_t record_size,
                              uint64_t record_position, ZipDirectory* out);

// One central-directory entry, its sizes and offset widened by its ZIP64 extra field.
struct ZipEntry {
    uint16_t flags;
    uint16_t method;
    uint32_t crc32;
    uint64_t compressed_size;
    uint64_t uncompressed_size;
    uint64_t local_header_offset;  // from the archive's start
    const char* name;              // into the directory buffer, not terminated
    size_t name_length;
};

enum ZipNext { kZipEntry, kZipDone, kZipBroken };

// Walks a central directory held whole in memory.
struct ZipCursor {
    const unsigned char* directory;
    size_t size;
    size_t position;
};

ZipCursor zip_cursor(const unsigned char* directory, size_t size);

// The next entry: kZipEntry with *out filled, kZipDone at the directory's end,
// kZipBroken when a header is cut short or has a wrong signature.
ZipNext zip_next_entry(ZipCursor* cursor, ZipEntry* out);

// The distance from an entry's local header to its data, read from the header's
// first kZipLocalHeaderSize bytes. False on a wrong signature.
bool zip_local_data_offset(const unsigned char* header, size_t size, uint64_t* out);

#endif
