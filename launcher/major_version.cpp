#include "major_version.h"

#include <cstdlib>
#include <cstring>

float parse_major_version(const char* text) {
    size_t length = strlen(text);
    if (length == 0) return -1;
    if (length > 3) return 0;
    // Runtimes from 9 on name their family by a whole number.
    if (strspn(text, "0123456789") == length) return static_cast<float>(strtod(text, nullptr));
    if (text[1] != '.') return 0;
    return static_cast<float>(strtod(text, nullptr));
}
