// Fuzzes the family version read from a release file's JAVA_VERSION or a
// registry key name: a result fits its buffer, is digits with at most one
// ".", and is found in the text unless it is the "1.x" of a family below 9.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/major_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    int capacity = data[0] % 24;  // small buffers too
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text = text.c_str();
    char* version = static_cast<char*>(malloc(size_t(capacity) + 1));
    if (capacity > 0 && family_version_in(text.c_str(), version, capacity)) {
        size_t length = strlen(version);
        if (length == 0 || length >= size_t(capacity)) abort();
        if (strspn(version, "0123456789.") != length || strchr(version, '.') != strrchr(version, '.')) abort();
        bool short_family = length == 3 && version[0] == '1' && version[1] == '.';
        if (!short_family && text.find(version) == std::string::npos) abort();
    }
    free(version);
    return 0;
}
