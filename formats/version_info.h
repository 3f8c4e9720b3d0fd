// The RT_VERSION resource: a VS_VERSIONINFO block holding the fixed file and
// product versions and one StringFileInfo table (040904B0: English (United
// States), Unicode), with the matching VarFileInfo translation.
#ifndef VANDREL_FORMATS_VERSION_INFO_H
#define VANDREL_FORMATS_VERSION_INFO_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct VersionInfo {
    uint16_t file_version[4];
    uint16_t product_version[4];
    std::vector<std::pair<std::u16string, std::u16string>> strings;  // key, value; in order
};

// The table key this writer uses and the reader prefers.
constexpr char16_t kVersionTable[] = u"040904B0";

// The most bytes of a block (its 16-bit length), the whole resource included.
constexpr size_t kVersionBlockMaxBytes = 0xFFFF;

// Writes the block. False when it would not read back: a block (a string with
// its key, the string table, the whole) over kVersionBlockMaxBytes.
bool build_version_info(const VersionInfo& info, std::vector<unsigned char>* out);

// Reads the fixed versions and the strings of the first string table. False
// when the block is broken.
bool read_version_info(const unsigned char* data, size_t size, VersionInfo* out);

// Parses "1", "1.2", "1.2.3" or "1.2.3.4" (each part 0 to 65535; missing
// parts are 0). False for any other text.
bool parse_version_quad(const char* text, uint16_t out[4]);

// Sets (or adds) a string.
void set_version_string(VersionInfo* info, const std::u16string& key, const std::u16string& value);

#endif
