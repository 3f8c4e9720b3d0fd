#include "pack_output.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/atomic_file.h"
#include "pack_messages.h"
#include "platform/platform.h"

namespace {

// The image, its checksum that of the image alone when it was edited: a
// program packed with edits is the configured launcher followed by the
// archive, as the packager appends one.
bool write_image(const ProgramParts& parts, FILE* out) {
    std::vector<unsigned char>& image = *parts.image;
    if (parts.checksum) pe_update_checksum(image.data(), image.size(), *parts.layout);
    return fwrite(image.data(), 1, image.size(), out) == image.size();
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
    if (!write_image(parts, out->stream)) {
        fprintf(stderr, MSG_ERROR_WRITING, destination);
        return kWriteFailed;
    }
    if (parts.jar != nullptr) {
        ArchiveCopy copied = copy_archive(*parts.jar, out->stream, parts.image->size());
        if (copied != kArchiveCopied) {
            fprintf(stderr, copied == kArchiveReadFailed ? MSG_ERROR_READING : MSG_ERROR_WRITING,
                    copied == kArchiveReadFailed ? parts.jar->path : destination);
            return copied == kArchiveReadFailed ? kNotAJar : kWriteFailed;
        }
    }
    if (fflush(out->stream) != 0 || ferror(out->stream)) {
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

// Why the destination did not open: no name, its folder is missing, it is a
// folder or a device, it exists and refuses writing, or its folder refuses a
// new file.
const char* destination_failure_reason(const char* destination) {
    std::string folder = destination;
    size_t separator = folder.find_last_of(kPathSeparator == '\\' ? "\\/:" : "/");
    folder = separator == std::string::npos ? "." : folder.substr(0, separator + 1);
    if (destination[0] == '\0') return PACK_REASON_NO_FILE;
    if (!platform.path_exists(folder.c_str())) return PACK_REASON_NO_FOLDER;
    if (platform.names_special_file(destination)) return PACK_REASON_SPECIAL;
    return platform.probe_writable(destination) < 0 ? PACK_REASON_IN_USE : PACK_REASON_FOLDER_UNWRITABLE;
}

}  // namespace

PackStatus write_program(const char* destination, const ProgramParts& parts) {
    AtomicFile out;
    if (!atomic_file_open(&out, destination)) {
        fprintf(stderr, PACK_MSG_CANNOT_OPEN, destination, destination_failure_reason(destination));
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
