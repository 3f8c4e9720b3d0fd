// What vandrel-pack needs to know of a JAR without a Java VM: whether its
// directory can be read, how many entries it has, its manifest's Main-Class;
// and the one fix an archive needs once something is put before it.
#ifndef VANDREL_PACKTOOL_ARCHIVE_CHECK_H
#define VANDREL_PACKTOOL_ARCHIVE_CHECK_H

#include <cstddef>
#include <cstdint>
#include <string>

struct ArchiveInfo {
    bool found;  // an end record and a readable central directory
    bool zip64;
    uint64_t start;  // where the archive begins in the file
    uint64_t entries;
    bool has_main_class;
    std::string main_class;
};

// Reads the archive that ends `data` (a whole file). False when there is
// none or its directory is broken.
bool inspect_archive(const unsigned char* data, size_t size, ArchiveInfo* out);

// The "Main-Class" of a manifest's main section; false when it has none.
bool manifest_main_class(const std::string& manifest, std::string* out);

// `file` holds an archive from `archive_position` on, written for position 0.
// Its ZIP64 locator (if any) gets the absolute position of the ZIP64 end
// record, as readers that find the archive from its end require; the 32-bit
// offsets need no change.
void rebase_zip64_locator(unsigned char* file, size_t size, uint64_t archive_position);

#endif
