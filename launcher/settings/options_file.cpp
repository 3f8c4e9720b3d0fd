#include "settings/options_file.h"

#include <cstdio>
#include <cstring>

#include "settings/config.h"
#include "base/diagnostics.h"
#include "settings/expansion.h"
#include "base/messages.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "base/text_rules.h"
#include "vm/vm_options.h"

namespace {

// One line of the file, expanded: blanks and tabs around it dropped, skipped
// when it is empty or begins with "#", else an option as a line of value 5 is.
void add_file_line(char* line, void*) {
    line += strspn(line, " \t");
    line[length_without_trailing_blanks(line, strlen(line))] = '\0';
    if (line[0] != '\0' && line[0] != '#') add_line_as_option(line, nullptr);
}

// The file named by value 12, opened: a relative name is taken from the
// program's directory, as value 2 is, never from the current one. Null when
// it is blank, missing or no regular file (a FIFO would block the start);
// *failed when the value does not fit.
FILE* open_options_file(char* name, bool* failed) {
    int length = read_expanded_config(kConfigOptionsFile, name, kConfigValueCapacity);
    *failed = length < 0;
    char path[kPathCapacity];
    if (length <= 0 || !compose_runtime_library_path(name, path, sizeof path) || platform.names_special_file(path))
        return nullptr;
    return platform.file_open(path, "rb");
}

}  // namespace

bool add_vm_options_from_file() {
    char name[kConfigValueCapacity];
    bool failed = false;
    FILE* file = open_options_file(name, &failed);
    if (file == nullptr) return !failed;
    // A line feed first, so that a first line beginning with "#" is one line
    // among others.
    char text[kConfigValueCapacity + 1];
    text[0] = '\n';
    size_t size = fread(text + 1, 1, kConfigValueCapacity, file);
    platform.file_close(file);
    text[size < kConfigValueCapacity ? size + 1 : 0] = '\0';
    // The byte-order mark that Windows editors write is no part of an option.
    if (size >= 3 && memcmp(text + 1, "\xEF\xBB\xBF", 3) == 0) memset(text + 1, ' ', 3);
    // The options live as long as the process.
    char* options = static_cast<char*>(allocate_or_exit(kConfigValueCapacity + 1));
    if (size >= kConfigValueCapacity ||
        expand_items(text, options, kConfigValueCapacity + 1, add_file_line, nullptr) < 0) {
        print_error(MSG_OPTIONS_FILE_TOO_LONG, name);
        return false;
    }
    return true;
}
