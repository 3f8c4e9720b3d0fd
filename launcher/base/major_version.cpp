#include "base/major_version.h"

#include <cstring>

#include "base/text_rules.h"

namespace {

// The leading number of a text of two or three characters whose second is
// ".", read as strtod reads it: white space or a sign, then digits and a
// point and digits; 0 when no digit is there. strtod's general conversion
// (exponents, hexadecimal, infinities) is most of a small program's size on
// some C runtimes, and one fractional digit needs none of it: the quotient
// of two small whole numbers is rounded once, as strtod rounds the text.
double leading_decimal(const char* text) {
    char first = text[0];
    int tenths = is_digit(text[2]) ? text[2] - '0' : 0;
    if (is_digit(first)) return ((first - '0') * 10 + tenths) / 10.0;
    if (!is_digit(text[2])) return 0;
    if (first == '-') return -(tenths / 10.0);
    if (first == '+' || first == ' ' || (first >= '\t' && first <= '\r')) return tenths / 10.0;
    return 0;
}

}  // namespace

float parse_major_version(const char* text) {
    size_t length = strlen(text);
    if (length == 0) return -1;
    if (length > 3) return 0;
    // Runtimes from 9 on name their family by a whole number.
    if (strspn(text, "0123456789") == length) {
        int whole = 0;
        for (const char* p = text; *p; ++p) whole = whole * 10 + (*p - '0');
        return static_cast<float>(whole);
    }
    if (text[1] != '.') return 0;
    return static_cast<float>(leading_decimal(text));
}

float comparable_major_version(const char* text) {
    // The only texts that parse between 1 and 2: a family "1.N", N from 1 to 9.
    if (text[0] == '1' && text[1] == '.' && text[2] >= '1' && text[2] <= '9' && text[3] == '\0')
        return static_cast<float>(text[2] - '0');
    return parse_major_version(text);
}

bool family_version_in(const char* text, char* version, int capacity) {
    while (*text != '\0' && !is_digit(*text)) ++text;
    size_t length = strspn(text, "0123456789");
    if (length == 0) return false;
    if (length == 1 && text[0] == '1' && text[1] == '.' && is_digit(text[2]))
        length = 2 + strspn(text + 2, "0123456789");
    // Families below 9 call themselves 1.x; their installers' keys say 8.
    if (length == 1 && text[0] >= '2' && text[0] <= '8') {
        if (capacity < 4) return false;
        memcpy(version, "1.", 2);
        version[2] = text[0];
        version[3] = '\0';
        return true;
    }
    if (length >= size_t(capacity)) return false;
    memcpy(version, text, length);
    version[length] = '\0';
    return true;
}
