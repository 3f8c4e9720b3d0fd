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

int read_config_choice(int id, const char* choices) {
    // Room for the longest word and a little more, so that a longer value
    // never matches.
    char value[16];
    if (read_config_string(id, value, sizeof value) == 0) return 0;
    int index = 1;
    for (const char* word = choices; *word != '\0'; word += strlen(word) + 1, ++index)
        if (strcmp(value, word) == 0) return index;
    return 0;
}
