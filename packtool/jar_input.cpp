#include "jar_input.h"

#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "base/text_rules.h"
#include "platform/files.h"
#include "zip_directory.h"

namespace {

// A directory is walked this much at a time; every header is far smaller.
constexpr size_t kDirectoryBlock = 4 * 1024 * 1024;
constexpr uint64_t kManifestLimit = 16 * 1024 * 1024;
// The largest archive read whole when its end records are not at the file's end.
constexpr uint64_t kWholeTailMax = 64 * 1024 * 1024;

bool is_manifest_name(const ZipEntry& e) {
    static const char name[] = "META-INF/MANIFEST.MF";
    return e.name_length == sizeof name - 1 && equal_ignoring_case(e.name, name, e.name_length);
}

// The end records as read from the last `span` bytes before the file's end.
bool directory_in_tail(const InputFile& file, uint64_t span, ZipDirectory* directory) {
    std::vector<unsigned char> bytes(static_cast<size_t>(span));
    ZipTail tail{bytes.data(), bytes.size(), file.size - span};
    ZipEndRecord end;
    return read_input_at(file, tail.position, bytes.data(), bytes.size()) && find_end_record(tail, &end) &&
           read_zip_directory(tail, end, directory);
}

// Finds the directory from the archive's last bytes. An archive followed by
// other bytes (a signature) shows its start only to a tail that reaches it:
// one that is small enough is read whole.
bool find_directory(const InputFile& file, uint64_t from, ZipDirectory* directory) {
    uint64_t span = file.size - from;
    bool found = directory_in_tail(file, span < kZipTailMax ? span : kZipTailMax, directory) ||
                 (span > kZipTailMax && span <= kWholeTailMax && directory_in_tail(file, span, directory));
    return found && directory->archive_start >= from;
}

// The bytes of entry `e`, stored or deflated; false when they cannot be had.
bool entry_bytes(const InputFile& file, uint64_t archive_start, const ZipEntry& e, std::string* out) {
    unsigned char header[kZipLocalHeaderSize];
    uint64_t at = archive_start + e.local_header_offset, offset;
    if (!read_input_at(file, at, header, sizeof header) || !zip_local_data_offset(header, sizeof header, &offset))
        return false;
    if (e.compressed_size > kManifestLimit || e.uncompressed_size > kManifestLimit) return false;
    std::vector<unsigned char> stored(size_t(e.compressed_size));
    if (!stored.empty() && !read_input_at(file, at + offset, stored.data(), stored.size())) return false;
    if (e.method == 0) {
        out->assign(stored.begin(), stored.end());
        return true;
    }
    if (e.method != 8) return false;
    out->assign(size_t(e.uncompressed_size), '\0');
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    z.next_in = stored.data();
    z.avail_in = uInt(stored.size());
    z.next_out = reinterpret_cast<Bytef*>(&(*out)[0]);
    z.avail_out = uInt(out->size());
    int status = out->empty() ? Z_STREAM_END : inflate(&z, Z_FINISH);
    inflateEnd(&z);
    return status == Z_STREAM_END && z.total_out == out->size();
}

// Counts the directory's entries a block at a time and finds the manifest's.
bool walk_directory(const InputFile& file, const ZipDirectory& d, ArchiveInfo* out, ZipEntry* manifest,
                    std::vector<unsigned char>* manifest_name) {
    std::vector<unsigned char> block;
    bool have_manifest = false;
    for (uint64_t done = 0; done < d.directory_size;) {
        uint64_t left = d.directory_size - done;
        block.resize(left < kDirectoryBlock ? size_t(left) : kDirectoryBlock);
        if (!read_input_at(file, d.directory_position + done, block.data(), block.size())) return false;
        ZipCursor cursor = zip_cursor(block.data(), block.size());
        ZipEntry entry;
        ZipNext next;
        while ((next = zip_next_entry(&cursor, &entry)) == kZipEntry) {
            ++out->entries;
            if (have_manifest || !is_manifest_name(entry)) continue;
            have_manifest = true;
            *manifest = entry;
            manifest_name->assign(entry.name, entry.name + entry.name_length);
        }
        // A header cut by the block's end is read again at the next block's start.
        bool cut = next == kZipBroken && block.size() < left && cursor.position > 0;
        if (next == kZipBroken && !cut) return false;
        done += cut ? cursor.position : block.size();
    }
    return true;
}

// The system copies the archive's first `length` bytes, outside this program's memory.
ArchiveCopy copy_in_system(FILE* in, unsigned long long length, FILE* out, void*) {
    if (!system_file_copy(in, 0, length, out)) return kArchiveWriteFailed;
    return system_file_seek(in, length) ? kArchiveCopied : kArchiveReadFailed;
}

}  // namespace

bool inspect_archive_file(const InputFile& file, uint64_t from, ArchiveInfo* out) {
    *out = ArchiveInfo{};
    ZipDirectory directory;
    if (from > file.size || !find_directory(file, from, &directory)) return false;
    out->zip64 = directory.zip64;
    out->start = directory.archive_start;
    ZipEntry manifest{};
    std::vector<unsigned char> name;
    if (!walk_directory(file, directory, out, &manifest, &name)) return false;
    std::string text;
    bool have_manifest = !name.empty() && entry_bytes(file, out->start, manifest, &text);
    out->found = true;
    out->has_main_class = have_manifest && manifest_main_class(text, &out->main_class);
    return true;
}

ArchiveCopy copy_archive(const InputFile& jar, FILE* out, uint64_t shift) {
    std::vector<unsigned char> tail(kArchiveTailRoom);
    return append_archive(jar.stream, FileStatus{jar.size, jar.modified}, out, shift, tail.data(), copy_in_system,
                          nullptr);
}
