// The directory of a ZIP archive, read from buffers the caller fills: the end
// records at the archive's tail, the ZIP64 end record, the central directory
// and an entry's local header. Nothing here touches a file. An archive may
// sit at the end of a larger file (a launcher followed by its JAR): every
// position taken or returned is absolute in that file, and the archive's start
// is found from the end record (the directory's real position less the
// offset stored for it).
//
// The end records are taken as the Java runtime's archive reader takes them,
// so that what is read here opens there too: the last end record whose
// comment reaches the file's end, or else (other bytes after the archive) the
// last one whose directory and archive start with their signatures; its ZIP64
// locator, when one stands directly before it, names the ZIP64 end record by
// its absolute position, and that record is used when its fields agree with
// the end record's.
#ifndef VANDREL_FORMATS_ZIP_DIRECTORY_H
#define VANDREL_FORMATS_ZIP_DIRECTORY_H

#include <cstddef>
#include <cstdint>

constexpr size_t kZipEndRecordSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndRecordSize = 56;
constexpr size_t kZipCentralHeaderSize = 46;
constexpr size_t kZipLocalHeaderSize = 30;
constexpr size_t kZipCommentMax = 0xFFFF;

// The most bytes from an archive's end that hold its end records: the end
// record with the longest comment, the ZIP64 locator and the ZIP64 end record
// that precedes it.
constexpr size_t kZipTailMax = kZipCommentMax + kZipEndRecordSize + kZip64LocatorSize + kZip64EndRecordSize;

// The last `size` bytes of a file, which start at absolute `position` (0 and
// the file's size: the whole file).
struct ZipTail {
    const unsigned char* bytes;
    size_t size;
    uint64_t position;
};

// The end-of-central-directory record as stored (its 16- and 32-bit fields).
struct ZipEndRecord {
    uint64_t position;          // absolute position of the record's signature
    uint32_t entry_count;       // entries in the whole directory (0xFFFF: see the ZIP64 record)
    uint32_t directory_size;    // 0xFFFFFFFF: see the ZIP64 record
    uint32_t directory_offset;  // from the archive's start; 0xFFFFFFFF: see the ZIP64 record
    uint16_t comment_length;
};

// Finds the end record the Java runtime takes. Bytes after the archive are
// allowed only when the directory and the archive's first local header lie
// inside `tail` to show their signatures. False when there is none.
bool find_end_record(const ZipTail& tail, ZipEndRecord* out);

struct Zip64Locator {
    uint64_t field_position;   // absolute position of the locator's 8-byte offset field
    uint64_t record_position;  // that field's value: where the ZIP64 end record starts
};

// The ZIP64 locator that stands directly before `end`, when it names a ZIP64
// end record inside `tail` whose fields agree with those of `end`. False when
// there is none: then the end record alone describes the archive.
bool find_zip64_locator(const ZipTail& tail, const ZipEndRecord& end, Zip64Locator* out);

// The directory's extent in 64-bit values, whichever record held them.
struct ZipDirectory {
    uint64_t entry_count;
    uint64_t directory_size;
    uint64_t directory_offset;    // as stored: counts from the archive's start
    uint64_t directory_position;  // absolute: where the directory really begins
    uint64_t archive_start;       // absolute: directory_position - directory_offset
    bool zip64;
};

// The directory of the archive that ends `tail`, from `end` and its ZIP64
// record. False when the directory cannot end where the records say, or
// holds fewer bytes than its entry count needs.
bool read_zip_directory(const ZipTail& tail, const ZipEndRecord& end, ZipDirectory* out);

// In the last bytes of an archive written for position 0 (`tail`, from the
// end record with a comment reaching its end), adds `shift` to the ZIP64
// locator's offset, so that it names the ZIP64 end record's absolute position
// once `shift` bytes are put before the archive. Only the locator
// find_zip64_locator finds is changed. False when there is none.
bool rebase_zip64_locator(unsigned char* tail, size_t size, uint64_t position, uint64_t shift);

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
