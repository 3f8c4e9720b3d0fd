// Fuzzes the version-text parser: a result is -1 only for an empty text, a
// text of more than three characters never counts, and nothing is NaN.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/major_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();  // up to the first NUL, as a C text
    float v = parse_major_version(text.c_str());
    if (text.empty() != (v == -1.0f)) abort();
    if (text.size() > 3 && v != 0.0f) abort();
    // A recognised form is digit-or-sign, ".", digit: never below -1.
    if (!text.empty() && !(v > -1.0f)) abort();
    return 0;
}
