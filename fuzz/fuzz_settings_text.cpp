// Fuzzes what the settings read from configuration values and options files:
// reference expansion never writes past its room, and gives back the text
// unchanged when it holds no "%"; a version marker yields the line, a part
// of it after its "]", or nothing; a family is -1 only without a leading digit.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/expansion.h"
#include "settings/option_markers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();
    int capacity = size > 0 ? 1 + data[0] % 64 : 1;
    std::string out(size_t(capacity) + 8, '\x7f');
    std::string copy = text;
    int length = expand_references(&copy[0], &out[0], capacity);
    if (copy != text) abort();
    if (length >= capacity || out.compare(size_t(capacity), 8, std::string(8, '\x7f')) != 0) abort();
    if (length >= 0 && strlen(out.c_str()) != size_t(length)) abort();
    if (text.find('%') == std::string::npos && (length >= 0 ? out.c_str() != text : int(text.size()) < capacity))
        abort();
    std::string line = text;
    for (int family : {0, 8, 25}) {
        const char* item = apply_version_marker(&line[0], family);
        if (item != nullptr && item != line.c_str() && (item <= line.c_str() || item[-1] != ']')) abort();
        if (item != nullptr && item != line.c_str() && family == 0) abort();
    }
    int family = family_of(text.c_str());
    if ((family < 0) != !(text[0] >= '0' && text[0] <= '9')) abort();
    return 0;
}
