#include "settings/options_file.h"

#include <cstdio>
#include <cstring>

#include "settings/config.h"
#include "base/diagnostics.h"
#include "settings/expansion.h"
#include "base/messages.h"
#include "platform/platform.h"
#include "base/text_rules.h"
#include "vm/vm_options.h"

namespace {

// One line of the file: blanks and tabs around it dropped, skipped when it is
// empty or begins with "#", else an option as a line of value 5 is.
void add_file_line(char* line, void*) {
    line += strspn(line, " \t");
    line[length_without_trailing_blanks(line, strlen(line))] = '\0';
    if (line[0] != '\0' && line[0] != '#') add_vm_options_from_lines(line);
}

}  // namespace

bool add_vm_options_from_file() {
    char name[kConfigValueCapacity];
    int length = read_expanded_config(kConfigOptionsFile, name, sizeof name);
    if (length <= 0) return length == 0;
    FILE* file = platform.file_open(name, "rb");
    if (file == nullptr) return true;
    char text[kConfigValueCapacity];
    size_t size = fread(text, 1, sizeof text, file);
    platform.file_close(file);
    text[size < sizeof text ? size : 0] = '\0';
    // The options live as long as the process. A line feed first, so that a
    // first line beginning with "#" is one line among others.
    char* options = static_cast<char*>(allocate_or_exit(kConfigValueCapacity + 1));
    options[0] = '\n';
    if (size >= sizeof text || expand_references(text, options + 1, kConfigValueCapacity) < 0) {
        print_error(MSG_OPTIONS_FILE_TOO_LONG, name);
        return false;
    }
    split_config_lines(options, add_file_line, nullptr);
    return true;
}
