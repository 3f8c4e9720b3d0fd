#include "base/paths.h"

#include <cstring>

#include "base/text_rules.h"
#include "platform/platform.h"

bool join_path(const char* directory, const char* name, char* path, int capacity) {
    size_t dir_length = strlen(directory);
    bool add_separator = dir_length == 0 || directory[dir_length - 1] != kPathSeparator;
    size_t needed = dir_length + (add_separator ? 1 : 0) + strlen(name) + 1;
    if (needed > size_t(capacity)) return false;
    memcpy(path, directory, dir_length);
    if (add_separator) path[dir_length++] = kPathSeparator;
    strcpy(path + dir_length, name);
    return true;
}

bool get_module_file(char* buffer, int capacity) {
    if (capacity <= 0) return false;
    unsigned long length = platform.module_file_name(buffer, static_cast<unsigned long>(capacity));
    if (length == 0 || length >= static_cast<unsigned long>(capacity)) return false;
    buffer[length] = '\0';
    return true;
}

bool get_module_directory(char* buffer, int capacity) {
    if (!get_module_file(buffer, capacity)) return false;
    char* last = strrchr(buffer, kPathSeparator);
    if (last == nullptr) return false;
    *last = '\0';
    return true;
}

bool is_absolute_path(const char* path, PathFlavour flavour) {
    if (flavour == kPosixPaths) return path[0] == '/';
    bool slash0 = path[0] == '\\' || path[0] == '/';
    bool slash1 = path[0] != '\0' && (path[1] == '\\' || path[1] == '/');
    if (slash0) return slash1;  // "\\server" and "\\?\", not "\x"
    char letter = lower_ascii(path[0]);
    return letter >= 'a' && letter <= 'z' && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}
