#include "vm/command_line.h"

#include <cstring>

#include "base/diagnostics.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

int split_command_line(const char* line, char*** argv, bool windows_rules) {
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
        size_t backslashes = 0;  // the last ones written, in a row (Microsoft rules only)
        for (; *p != '\0' && (quoted || !is_blank(*p)); ++p) {
            if (*p != '"') {
                *out++ = *p;
                backslashes = windows_rules && *p == '\\' ? backslashes + 1 : 0;
                continue;
            }
            // Before a quote, 2n backslashes give n, 2n+1 give n and the quote.
            out -= backslashes - backslashes / 2;
            if (backslashes % 2 == 1)
                *out++ = '"';
            else if (windows_rules && quoted && p[1] == '"')
                *out++ = *++p;  // "" inside a run
            else
                quoted = !quoted;
            backslashes = 0;
        }
        *out++ = '\0';
    }
    vector[count] = nullptr;
    *argv = vector;
    return count;
}

char* windows_command_line(int argc, char* const* argv) {
    // At most: each byte doubled, two quotes and a blank per argument.
    size_t size = 1;
    for (int i = 0; i < argc; ++i) size += 2 * strlen(argv[i]) + 3;
    char* line = static_cast<char*>(allocate_or_exit(static_cast<int>(size)));
    char* out = line;
    for (int i = 0; i < argc; ++i) {
        *out++ = '"';
        size_t backslashes = 0;
        for (const char* p = argv[i];; ++p) {
            // Backslashes are doubled before a quote and before the closing one.
            if (*p == '"' || *p == '\0')
                for (; backslashes > 0; --backslashes) *out++ = '\\';
            if (*p == '\0') break;
            backslashes = *p == '\\' ? backslashes + 1 : 0;
            if (*p == '"') *out++ = '\\';
            *out++ = *p;
        }
        *out++ = '"';
        *out++ = ' ';
    }
    *(argc > 0 ? out - 1 : out) = '\0';
    return line;
}
