#include "vm/command_line.h"

#include <cstring>

#include "base/diagnostics.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

int split_command_line(const char* line, char*** argv) {
    // Every argument is at most as long as the line, and there are at most
    // half as many arguments as characters, plus one: one block holds the
    // vector and, behind it, the arguments' texts.
    size_t length = strlen(line);
    size_t max_args = length / 2 + 2;
    size_t block = max_args * sizeof(char*) + length + max_args;
    char** vector = static_cast<char**>(allocate_or_exit(static_cast<int>(block)));
    char* out = reinterpret_cast<char*>(vector + max_args);
    int count = 0;
    const char* p = line;
    while (true) {
        while (is_blank(*p)) ++p;
        if (*p == '\0') break;
        vector[count++] = out;
        bool quoted = false;
        for (; *p != '\0' && (quoted || !is_blank(*p)); ++p) {
            if (*p == '"')
                quoted = !quoted;
            else
                *out++ = *p;
        }
        *out++ = '\0';
    }
    vector[count] = nullptr;
    *argv = vector;
    return count;
}
