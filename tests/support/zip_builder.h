// ZIP archives built byte by byte for the tests of their readers and of the
// packagers: stored entries, plain or in ZIP64 form, at a file's start or
// after other bytes. The one ZIP builder of the tests: scripts reach it
// through the program zip_tool.
#ifndef VANDREL_TESTS_SUPPORT_ZIP_BUILDER_H
#define VANDREL_TESTS_SUPPORT_ZIP_BUILDER_H

#include <cstddef>
#include <string>
#include <vector>

namespace zip_builder {

typedef std::vector<unsigned char> Bytes;

struct Entry {
    std::string name, data;  // stored as it is
};

struct Shape {
    size_t prefix = 0;    // bytes ('x') before the archive
    bool zip64 = false;   // ZIP64 end record and locator, the entries' offsets in ZIP64 extra fields
    bool rebase = false;  // the locator counts from the file's start, the prefix included
    std::string comment;  // the end record's
};

// The archive of `entries` in `shape`, the prefix before it.
Bytes archive(const std::vector<Entry>& entries, const Shape& shape);

// `plain`, an archive with a plain end record and no comment, with `padding`
// more empty entries, in ZIP64 form: a ZIP64 end record and its locator
// (counting from the archive's start, as archivers write it) before an end
// record whose every count, size and offset says "in the ZIP64 record".
// False when `plain` is no such archive.
bool zip64_form(const Bytes& plain, size_t padding, Bytes* out);

}  // namespace zip_builder

#endif
