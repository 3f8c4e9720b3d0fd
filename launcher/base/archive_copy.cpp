#include "base/archive_copy.h"

#include "zip_directory.h"

ArchiveCopy append_archive(FILE* in, const FileStatus& opened, FILE* out, unsigned long long shift, unsigned char* tail,
                           CopyBytes copy, void* context) {
    size_t held = opened.size < kZipTailMax ? size_t(opened.size) : kZipTailMax;
    unsigned long long body = opened.size - held;
    ArchiveCopy copied = copy(in, body, out, context);
    if (copied != kArchiveCopied) return copied;
    // Exactly the bytes it had (a byte more is asked for, and must not come),
    // and its size and time as they were.
    FileStatus now;
    if (fread(tail, 1, held + 1, in) != held || !platform.file_status(in, &now) || now.size != opened.size ||
        now.modified != opened.modified)
        return kArchiveReadFailed;
    rebase_zip64_locator(tail, held, body, shift);
    return held == 0 || fwrite(tail, 1, held, out) == held ? kArchiveCopied : kArchiveWriteFailed;
}
