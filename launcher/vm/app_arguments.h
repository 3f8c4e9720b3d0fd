// The arguments the application's main(String[]) receives: the user's,
// reordered, framed by the configured leading and trailing arguments.
#ifndef VANDREL_LAUNCHER_VM_APP_ARGUMENTS_H
#define VANDREL_LAUNCHER_VM_APP_ARGUMENTS_H

// Replaces *argv by a new vector of the same count: first every argument
// that begins with "-J", without those two characters, then every other
// argument, each group in its original order; a null pointer follows.
void hoist_dash_j_arguments(int* argc, char*** argv);

// The application's argument vector: starts as one block of 500 pointers and
// grows (doubling) instead of overflowing.
constexpr int kAppArgvInitialCapacity = 500;
struct AppArgv {
    char** entries;
    int count;
    int capacity;
};

// Allocates the block of kAppArgvInitialCapacity entries, count 0.
void init_app_argv(AppArgv* argv);
// Appends one entry (no copy of the text).
void append_to_argv(AppArgv* argv, char* entry);
// Appends one item to the AppArgv `context` (a ConfigItemHandler).
void append_line_to_argv(char* item, void* context);

// Cuts value 6's or 7's buffer into its items and appends each in order.
void append_lines_to_argv(char* text, AppArgv* argv);

#endif
