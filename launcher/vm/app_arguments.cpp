#include "vm/app_arguments.h"

#include <cstdlib>
#include <cstring>

#include "base/diagnostics.h"
#include "base/text_rules.h"

void hoist_dash_j_arguments(int* argc, char*** argv) {
    const int count = *argc;
    char** old_vector = *argv;
    char** vector = static_cast<char**>(allocate_or_exit(static_cast<int>((count + 1) * sizeof(char*))));
    int next = 0;
    for (int i = 0; i < count; ++i)
        if (old_vector[i][0] == '-' && old_vector[i][1] == 'J') vector[next++] = old_vector[i] + 2;
    for (int i = 0; i < count; ++i)
        if (!(old_vector[i][0] == '-' && old_vector[i][1] == 'J')) vector[next++] = old_vector[i];
    vector[next] = nullptr;
    *argv = vector;
}

void init_app_argv(AppArgv* argv) {
    argv->entries = static_cast<char**>(allocate_or_exit(static_cast<int>(kAppArgvInitialCapacity * sizeof(char*))));
    argv->count = 0;
    argv->capacity = kAppArgvInitialCapacity;
}

void append_to_argv(AppArgv* argv, char* entry) {
    if (argv->count >= argv->capacity) {
        int capacity = argv->capacity * 2;
        char** block = static_cast<char**>(allocate_or_exit(static_cast<int>(capacity * sizeof(char*))));
        memcpy(block, argv->entries, argv->count * sizeof(char*));
        free(argv->entries);
        argv->entries = block;
        argv->capacity = capacity;
    }
    argv->entries[argv->count++] = entry;
}

void append_line_to_argv(char* item, void* context) { append_to_argv(static_cast<AppArgv*>(context), item); }

void append_lines_to_argv(char* text, AppArgv* argv) { split_config_lines(text, append_line_to_argv, argv); }
