// Appending a ZIP archive after a launcher: the copy that the launcher's
// packager and vandrel-pack both make, with the archive's ZIP64 locator
// rebased and a source that changed while it was read refused.
#ifndef VANDREL_LAUNCHER_BASE_ARCHIVE_COPY_H
#define VANDREL_LAUNCHER_BASE_ARCHIVE_COPY_H

#include <cstdio>

#include "platform/platform.h"
#include "zip_directory.h"

// Room for the archive's tail: its end records, and a byte more.
constexpr size_t kArchiveTailRoom = kZipTailMax + 1;

enum ArchiveCopy { kArchiveCopied, kArchiveReadFailed, kArchiveWriteFailed };

// Copies the next `length` bytes of `in` to `out`, leaving `in` after them.
typedef ArchiveCopy (*CopyBytes)(FILE* in, unsigned long long length, FILE* out, void* context);

// Appends the whole archive file `in`, open at its start, to `out`: `copy`
// copies all but its last bytes (kZipTailMax at most), which hold the end
// records; those are read into `tail` (kArchiveTailRoom bytes), a ZIP64
// locator among them gets `shift` (the length of what precedes the archive
// in `out`) added to its offset, and they are written. A source that does
// not hold exactly `opened.size` bytes, or no longer has the size and
// modification time it had when it was opened (`opened`), fails to read.
ArchiveCopy append_archive(FILE* in, const FileStatus& opened, FILE* out, unsigned long long shift, unsigned char* tail,
                           CopyBytes copy, void* context);

#endif
