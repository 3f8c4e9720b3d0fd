// Fuzzes the ZIP directory reader over a whole file: whatever the bytes, the
// directory it finds lies inside the file, every entry it walks lies inside
// the directory, and nothing outside the buffers is read.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "zip_directory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> file(data, data + size);  // exact size: reads past it are caught
    size_t tail_size = size < kZipTailMax ? size : kZipTailMax;
    uint64_t tail_position = size - tail_size;
    ZipEndRecord end;
    if (!find_end_record(file.data() + tail_position, tail_size, tail_position, &end)) return 0;
    if (end.position + kZipEndRecordSize + end.comment_length > size) abort();
    Zip64Locator locator;
    if (find_zip64_locator(file.data() + tail_position, tail_size, tail_position, &locator) != end.has_locator) abort();
    ZipDirectory directory;
    bool found = false;
    uint64_t candidates[2];
    int n = zip64_end_record_candidates(end, candidates);
    for (int i = 0; i < n && !found; ++i) {
        if (candidates[i] + kZip64EndRecordSize > end.position) abort();
        std::vector<unsigned char> record(file.begin() + candidates[i],
                                          file.begin() + candidates[i] + kZip64EndRecordSize);
        found = zip_directory_from_zip64(end, record.data(), record.size(), candidates[i], &directory);
    }
    if (!found && !zip_directory_from_end(end, &directory)) return 0;
    if (directory.directory_position + directory.directory_size > end.position) abort();
    if (directory.archive_start + directory.directory_offset != directory.directory_position) abort();
    std::vector<unsigned char> listing(file.begin() + directory.directory_position,
                                       file.begin() + directory.directory_position + directory.directory_size);
    ZipCursor cursor = zip_cursor(listing.data(), listing.size());
    ZipEntry entry;
    while (zip_next_entry(&cursor, &entry) == kZipEntry) {
        const unsigned char* name = reinterpret_cast<const unsigned char*>(entry.name);
        if (name < listing.data() || name + entry.name_length > listing.data() + listing.size()) abort();
        uint64_t local = directory.archive_start + entry.local_header_offset;
        if (local < size) {
            uint64_t offset;
            size_t room = size_t(size - local) < kZipLocalHeaderSize ? size_t(size - local) : kZipLocalHeaderSize;
            std::vector<unsigned char> header(file.begin() + local, file.begin() + local + room);
            if (zip_local_data_offset(header.data(), header.size(), &offset) && offset < kZipLocalHeaderSize) abort();
        }
    }
    if (cursor.position > listing.size()) abort();
    return 0;
}
