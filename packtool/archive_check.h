// What vandrel-pack needs to know of a JAR without a Java VM: whether its
// directory can be read as the Java runtime reads it, how many entries it
// has, its manifest's Main-Class. jar_input.h reads it from the file.
#ifndef VANDREL_PACKTOOL_ARCHIVE_CHECK_H
#define VANDREL_PACKTOOL_ARCHIVE_CHECK_H

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

// The "Main-Class" of a manifest's main section; false when it has none.
bool manifest_main_class(const std::string& manifest, std::string* out);

#endif
