// Fuzzes the packager's derived destination name: the source with its last
// four bytes replaced by ".exe", or nothing for a source under four bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/packager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string source(reinterpret_cast<const char*>(data), size);
    source = source.c_str();
    char* name = derive_destination_name(source.c_str());
    if ((name == nullptr) != (source.size() < 4)) abort();
    if (name == nullptr) return 0;
    if (strlen(name) != source.size()) abort();
    if (memcmp(name, source.data(), source.size() - 4) != 0 || strcmp(name + source.size() - 4, ".exe") != 0) abort();
    free(name);
    return 0;
}
