#include "base/text_rules.h"

#include <cstring>

size_t config_value_length(const char* text, size_t length) {
    for (size_t i = length; i > 0; --i)
        if (text[i - 1] == '#') return i - 1;
    return length;
}

int split_config_lines(char* text, ConfigItemHandler handler, void* context) {
    if (text[0] == '#') return 0;
    int items = 0;
    char* item = text;
    char* const end = text + strlen(text);  // carriage returns become terminators
    for (char* p = text; p < end; ++p) {
        if (*p == '\r') {
            *p = '\0';
        } else if (*p == '\n') {
            *p = '\0';
            handler(item, context);
            ++items;
            item = p + 1;
        }
    }
    // The last item counts when anything, a carriage return included, stood
    // after the last line feed.
    if (end > item) {
        handler(item, context);
        ++items;
    }
    return items;
}

bool is_safe_message_format(const char* text, int string_conversions) {
    int strings = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == 's')
            ++strings;
        else if (*p != '%')
            return false;
    }
    return strings == string_conversions;
}

size_t length_without_trailing_blanks(const char* text, size_t length) {
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) --length;
    return length;
}

bool copy_text(const char* text, size_t length, char* buffer, int capacity) {
    if (length >= size_t(capacity)) return false;
    memcpy(buffer, text, length);
    buffer[length] = '\0';
    return true;
}

bool equal_ignoring_case(const char* a, const char* b, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (lower_ascii(a[i]) != lower_ascii(b[i])) return false;
    return true;
}
