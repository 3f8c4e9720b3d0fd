#include "config.h"

#include <cstring>

#include "platform/platform.h"

int read_config_string(int id, char* buffer, int capacity) {
    int length = platform.load_string(static_cast<unsigned>(id), buffer, capacity);
    if (length <= 0) return 0;
    char* comment = strrchr(buffer, '#');
    if (comment != nullptr) *comment = '\0';
    return static_cast<int>(strlen(buffer));
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
