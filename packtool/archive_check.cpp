// Reading a JAR's directory and manifest.
#include "archive_check.h"

#include <cstring>
#include <vector>

#include <zlib.h>

#include "text_rules.h"
#include "zip_directory.h"

namespace {

constexpr uint64_t kManifestLimit = 16 * 1024 * 1024;

bool is_manifest_name(const ZipEntry& e) {
    static const char name[] = "META-INF/MANIFEST.MF";
    if (e.name_length != sizeof name - 1) return false;
    for (size_t i = 0; i < e.name_length; ++i) {
        char a = e.name[i], b = name[i];
        if (a >= 'a' && a <= 'z') a = char(a - 32);
        if (a != b) return false;
    }
    return true;
}

// The entry's bytes, stored or deflated; false when they cannot be had.
bool entry_bytes(const unsigned char* data, size_t size, const ArchiveInfo& archive, const ZipEntry& e,
                 std::string* out) {
    uint64_t header = archive.start + e.local_header_offset;
    uint64_t offset;
    if (header >= size || !zip_local_data_offset(data + header, size_t(size - header), &offset)) return false;
    uint64_t at = header + offset;
    if (at > size || e.compressed_size > size - at || e.uncompressed_size > kManifestLimit) return false;
    if (e.method == 0) {
        out->assign(reinterpret_cast<const char*>(data + at), size_t(e.compressed_size));
        return true;
    }
    if (e.method != 8) return false;
    out->assign(size_t(e.uncompressed_size), '\0');
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(data + at);
    z.avail_in = uInt(e.compressed_size);
    z.next_out = reinterpret_cast<Bytef*>(&(*out)[0]);
    z.avail_out = uInt(out->size());
    int status = out->empty() ? Z_STREAM_END : inflate(&z, Z_FINISH);
    inflateEnd(&z);
    return status == Z_STREAM_END && z.total_out == out->size();
}

}  // namespace

bool manifest_main_class(const std::string& manifest, std::string* out) {
    // Lines end in CR LF, LF or CR; a line that begins with a blank continues
    // the one before; the main section ends at the first empty line.
    std::vector<std::string> lines;
    size_t i = 0;
    while (i < manifest.size()) {
        size_t end = manifest.find_first_of("\r\n", i);
        if (end == std::string::npos) end = manifest.size();
        std::string line = manifest.substr(i, end - i);
        i = end;
        if (i < manifest.size() && manifest[i] == '\r') ++i;
        if (end < manifest.size() && manifest[end] == '\r' && i < manifest.size() && manifest[i] == '\n')
            ++i;
        else if (end < manifest.size() && manifest[end] == '\n')
            i = end + 1;
        if (line.empty()) break;
        if (line[0] == ' ' && !lines.empty())
            lines.back() += line.substr(1);
        else
            lines.push_back(line);
    }
    for (const std::string& line : lines) {
        size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        if (name.size() != 10) continue;
        bool same = true;
        for (size_t k = 0; k < 10; ++k) same = same && (name[k] | 0x20) == ("main-class"[k] | 0x20);
        if (!same) continue;
        *out = line.substr(colon + 2, length_without_trailing_blanks(&line[colon + 2], line.size() - colon - 2));
        return line.size() > colon + 2;
    }
    return false;
}

bool inspect_archive(const unsigned char* data, size_t size, ArchiveInfo* out) {
    *out = ArchiveInfo{};
    ZipTail file{data, size, 0};
    ZipEndRecord end;
    ZipDirectory directory;
    if (!find_end_record(file, &end) || !read_zip_directory(file, end, &directory)) return false;
    out->zip64 = directory.zip64;
    out->start = directory.archive_start;
    ZipCursor cursor = zip_cursor(data + directory.directory_position, size_t(directory.directory_size));
    ZipEntry entry;
    ZipNext next;
    std::string manifest;
    bool have_manifest = false;
    while ((next = zip_next_entry(&cursor, &entry)) == kZipEntry) {
        ++out->entries;
        if (!have_manifest && is_manifest_name(entry)) have_manifest = entry_bytes(data, size, *out, entry, &manifest);
    }
    if (next == kZipBroken) return false;
    out->found = true;
    out->has_main_class = have_manifest && manifest_main_class(manifest, &out->main_class);
    return true;
}
