// Fuzzes the ZIP directory reader over a whole file: whatever the bytes, the
// directory it finds lies inside the file, every entry it walks lies inside
// the directory, nothing outside the buffers is read, and a rebase changes
// only the 8 bytes of the locator the reader follows.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "zip_directory.h"

namespace {

void check_rebase(const std::vector<unsigned char>& file, const ZipTail& whole, const ZipEndRecord& end) {
    size_t size = file.size();
    size_t tail_size = size < kZipTailMax ? size : kZipTailMax;
    std::vector<unsigned char> tail(file.end() - long(tail_size), file.end());
    Zip64Locator locator;
    bool followed = find_zip64_locator(whole, end, &locator);
    bool exact = end.position + kZipEndRecordSize + end.comment_length == size;
    if (rebase_zip64_locator(tail.data(), tail.size(), size - tail_size, 1000) != (followed && exact)) abort();
    for (size_t i = 0; i < tail_size; ++i) {
        uint64_t at = size - tail_size + i;
        bool field = followed && exact && at >= locator.field_position && at < locator.field_position + 8;
        if (!field && tail[i] != file[at]) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> file(data, data + size);  // exact size: reads past it are caught
    ZipTail whole{file.data(), size, 0};
    ZipEndRecord end;
    if (!find_end_record(whole, &end)) return 0;
    if (end.position + kZipEndRecordSize > size) abort();
    check_rebase(file, whole, end);
    ZipDirectory directory;
    if (!read_zip_directory(whole, end, &directory)) return 0;
    if (directory.directory_position + directory.directory_size > end.position) abort();
    if (directory.archive_start + directory.directory_offset != directory.directory_position) abort();
    std::vector<unsigned char> listing(file.begin() + long(directory.directory_position),
                                       file.begin() + long(directory.directory_position + directory.directory_size));
    ZipCursor cursor = zip_cursor(listing.data(), listing.size());
    ZipEntry entry;
    while (zip_next_entry(&cursor, &entry) == kZipEntry) {
        const unsigned char* name = reinterpret_cast<const unsigned char*>(entry.name);
        if (name < listing.data() || name + entry.name_length > listing.data() + listing.size()) abort();
        uint64_t local = directory.archive_start + entry.local_header_offset;
        if (local < size) {
            uint64_t offset;
            size_t room = size_t(size - local) < kZipLocalHeaderSize ? size_t(size - local) : kZipLocalHeaderSize;
            std::vector<unsigned char> header(file.begin() + long(local), file.begin() + long(local + room));
            if (zip_local_data_offset(header.data(), header.size(), &offset) && offset < kZipLocalHeaderSize) abort();
        }
    }
    if (cursor.position > listing.size()) abort();
    return 0;
}
