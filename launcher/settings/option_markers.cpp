#include "settings/option_markers.h"

#include <cstring>

#include "base/text_rules.h"

namespace {

// Reads the version at *text and moves past it; -1 when there is none.
int read_version(const char** text) {
    int value = -1;
    for (; is_digit(**text); ++*text)
        if (value < 1000000) value = (value < 0 ? 0 : value * 10) + (**text - '0');  // no version is longer
    if (value >= 0 && **text == '.') {
        ++*text;
        int minor = read_version(text);
        if (value == 1 && minor >= 0) value = minor;  // 1.N counts as N
    }
    return value;
}

}  // namespace

int family_of(const char* text) { return read_version(&text); }

char* apply_version_marker(char* line, int family) {
    if (line[0] != '[') return line;
    const char* p = line + 1;
    int low = read_version(&p);
    int high = low;
    if (*p == '+') {
        high = 1 << 30;
        ++p;
    } else if (*p == '-') {
        ++p;
        high = read_version(&p);
        if (low < 0) low = 0;
    }
    if (*p != ']' || low < 0 || high < 0) return line;  // no marker: given as written
    if (family <= 0 || family < low || family > high) return nullptr;
    ++p;
    p += strspn(p, " \t");  // "[17+] -Xmx64m" means "-Xmx64m"
    return const_cast<char*>(p);
}
