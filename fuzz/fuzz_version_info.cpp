// Fuzzes the version-information reader: whatever the block, nothing outside
// it is read, and what it read is written and read back the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "version_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> block(data, data + size);
    VersionInfo info;
    if (!read_version_info(block.data(), block.size(), &info)) return 0;
    // Texts are written terminated: one that holds a terminator reads back shorter.
    for (auto& s : info.strings)
        if (s.first.find(u'\0') != std::u16string::npos || s.second.find(u'\0') != std::u16string::npos) return 0;
    // The writer adds what the block may lack: it may then refuse a full one.
    std::vector<unsigned char> written;
    if (!build_version_info(info, &written)) return 0;
    if (written.size() > 0xFFFF) abort();
    VersionInfo again;
    if (!read_version_info(written.data(), written.size(), &again) || again.strings != info.strings) abort();
    return 0;
}
