#include "settings/config.h"

#include <cstring>

#include "platform/platform.h"

int read_config_string(int id, char* buffer, int capacity) {
    int length = platform.load_string(static_cast<unsigned>(id), buffer, capacity);
    if (length <= 0) return 0;
    size_t value_length = config_value_length(buffer, strlen(buffer));
    buffer[value_length] = '\0';
    return static_cast<int>(value_length);
}
