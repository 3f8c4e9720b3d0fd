// vandrel-pack's platform table: the file-system entries of the launcher's
// platform layer, which the destination writer and the tool's readers use,
// and standard error as it is. The tool needs no other entry, so the others
// stay null.
#include "platform/files.h"

namespace {

void write_error(const char* text, int length) {
    fwrite(text, 1, size_t(length), stderr);
    fflush(stderr);
}

PlatformApi tool_table() {
    PlatformApi table{};
    table.module_file_name = system_module_file_name;
    table.path_exists = system_path_exists;
    table.file_open = system_file_open;
    table.file_close = system_file_close;
    table.same_file = system_same_file;
    table.names_special_file = system_names_special_file;
    table.replace_file = system_replace_file;
    table.remove_file = system_remove_file;
    table.file_create_new = system_file_create_new;
    table.probe_writable = system_probe_writable;
    table.file_status = system_file_status;
    table.adopt_attributes = system_adopt_attributes;
    table.link_target = system_link_target;
    table.remove_on_interrupt = system_remove_on_interrupt;
    table.write_error = write_error;
    return table;
}

}  // namespace

PlatformApi platform = tool_table();
