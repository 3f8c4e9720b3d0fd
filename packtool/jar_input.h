// The JAR read from its file in blocks, never whole: its directory and
// manifest looked at where they lie, and the archive copied after the
// launcher with its ZIP64 locator rebased, so that memory stays bounded
// whatever the archive's size.
#ifndef VANDREL_PACKTOOL_JAR_INPUT_H
#define VANDREL_PACKTOOL_JAR_INPUT_H

#include <cstdint>
#include <cstdio>

#include "archive_check.h"
#include "base/archive_copy.h"
#include "input_file.h"

// Reads the archive that ends `file` and begins at or after `from`. False
// when there is none or its directory or manifest is broken.
bool inspect_archive_file(const InputFile& file, uint64_t from, ArchiveInfo* out);

// Appends the whole of `jar` to `out` as append_archive does, the system
// copying all but its last bytes; `shift` is the launcher's length. A JAR
// that changed since it was opened fails to read.
ArchiveCopy copy_archive(const InputFile& jar, FILE* out, uint64_t shift);

#endif
