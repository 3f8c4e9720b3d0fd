#include "pack_output.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "atomic_file.h"
#include "pack_messages.h"
#include "platform/platform.h"

namespace {

// The image checksum of a file that is written in pieces: 16-bit
// little-endian words summed with their carries folded in, then the file's
// length added.
struct RunningChecksum {
    uint64_t sum;
    uint64_t length;
};

void checksum_add(RunningChecksum* c, const unsigned char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i, ++c->length) {
        c->sum += (c->length & 1) ? uint32_t(bytes[i]) << 8 : bytes[i];
        if (c->sum > 0xFFFFFFFFull) c->sum = (c->sum & 0xFFFF) + (c->sum >> 16);
    }
}

void checksum_block(const unsigned char* bytes, size_t size, void* context) {
    checksum_add(static_cast<RunningChecksum*>(context), bytes, size);
}

uint32_t checksum_value(const RunningChecksum& c) {
    uint64_t sum = c.sum;
    while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
    return uint32_t(sum + c.length);
}

bool write_image(const ProgramParts& parts, FILE* out, RunningChecksum* checksum) {
    std::vector<unsigned char>& image = *parts.image;
    size_t field = parts.layout->optional_header_offset + kOptionalCheckSum;
    if (parts.checksum) memset(image.data() + field, 0, 4);
    checksum_add(checksum, image.data(), image.size());
    return fwrite(image.data(), 1, image.size(), out) == image.size();
}

// Stores the checksum of everything written into the image and the file.
// A device written in place, where nothing can be rewritten, keeps none.
bool store_checksum(const ProgramParts& parts, const AtomicFile& file, const RunningChecksum& checksum) {
    if (!parts.checksum || file.temporary == nullptr) return true;
    FILE* out = file.stream;
    uint32_t value = checksum_value(checksum);
    size_t field = parts.layout->optional_header_offset + kOptionalCheckSum;
    for (int i = 0; i < 4; ++i) (*parts.image)[field + size_t(i)] = uint8_t(value >> (8 * i));
    return platform.file_seek(out, field) && fwrite(parts.image->data() + field, 1, 4, out) == 4;
}

// Reads the written file back: its image as it was made, and the archive
// after it where it was put, with the input's entries and Main-Class.
const char* file_reads_back(const char* path, const ProgramParts& parts) {
    InputFile written;
    if (open_input(path, 0, nullptr, &written) != kSuccess) return "the file";
    std::vector<unsigned char> image(parts.image->size());
    const char* what = nullptr;
    if (!read_input_at(written, 0, image.data(), image.size()) || image != *parts.image) what = "the image";
    ArchiveInfo archive;
    uint64_t end = image.size();
    if (what == nullptr && parts.jar != nullptr &&
        (!inspect_archive_file(written, end, &archive) || archive.start != end ||
         archive.entries != parts.archive->entries || archive.main_class != parts.archive->main_class))
        what = "the archive's end records";
    if (what == nullptr && parts.jar == nullptr && written.size != end) what = "the file's length";
    close_input(&written);
    return what;
}

PackStatus write_parts(const char* destination, const ProgramParts& parts, AtomicFile* out) {
    RunningChecksum checksum{0, 0};
    if (!write_image(parts, out->stream, &checksum)) {
        fprintf(stderr, MSG_ERROR_WRITING, destination);
        return kWriteFailed;
    }
    if (parts.jar != nullptr) {
        ArchiveCopy copied = copy_archive(*parts.jar, out->stream, parts.image->size(),
                                          parts.checksum ? checksum_block : nullptr, &checksum);
        if (copied != kArchiveCopied) {
            fprintf(stderr, copied == kArchiveReadFailed ? MSG_ERROR_READING : MSG_ERROR_WRITING,
                    copied == kArchiveReadFailed ? parts.jar->path : destination);
            return copied == kArchiveReadFailed ? kNotAJar : kWriteFailed;
        }
    }
    if (!store_checksum(parts, *out, checksum) || fflush(out->stream) != 0 || ferror(out->stream)) {
        fprintf(stderr, MSG_ERROR_WRITING, destination);
        return kWriteFailed;
    }
    // A device written in place cannot be read back.
    const char* what = out->temporary != nullptr ? file_reads_back(out->temporary, parts) : nullptr;
    if (what != nullptr) {
        fprintf(stderr, PACK_MSG_NO_READ_BACK, destination, what);
        return kWriteFailed;
    }
    return kSuccess;
}

}  // namespace

PackStatus write_program(const char* destination, const ProgramParts& parts) {
    AtomicFile out;
    if (!atomic_file_open(&out, destination)) {
        fprintf(stderr, MSG_ERROR_OPENING, destination);
        return kOpenFailed;
    }
    PackStatus status = write_parts(destination, parts, &out);
    if (status == kSuccess && !atomic_file_commit(&out)) {
        fprintf(stderr, MSG_ERROR_WRITING, destination);
        status = kWriteFailed;
    }
    if (status != kSuccess) {
        std::string temporary = out.temporary != nullptr ? out.temporary : "";
        if (!atomic_file_abandon(&out)) fprintf(stderr, MSG_ERROR_REMOVING, temporary.c_str());
    }
    return status;
}
