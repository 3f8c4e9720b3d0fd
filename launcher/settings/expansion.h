// References in configuration values: %EXEDIR% (the program's directory),
// %EXEFILE% (its file), %NAME% (the environment variable NAME) and %% (one
// "%"). A reference that names nothing, and a lone "%", stay as written.
#ifndef VANDREL_LAUNCHER_SETTINGS_EXPANSION_H
#define VANDREL_LAUNCHER_SETTINGS_EXPANSION_H

#include "base/text_rules.h"

// Writes `text` with its references replaced into `out`. Returns the length,
// or -1 when the result does not fit `capacity` with its terminator. `text`
// is changed while a name is looked up, and restored.
int expand_references(char* text, char* out, int capacity);

// read_config_string, then the references of the value replaced in place.
// Returns the length (0: blank), or -1, with its message printed, when the
// expanded value does not fit the buffer.
int read_expanded_config(int id, char* buffer, int capacity);

// Cuts `text` into its line items as split_config_lines does, then replaces
// the references of each item on its own, so that a replaced reference never
// makes or cuts an item (a folder name may hold a line feed). The expanded
// items are stored one after another in `out`, each terminated, and handed
// to `handler` in order. Returns the bytes used, or -1 when they do not fit
// `capacity`.
int expand_items(char* text, char* out, int capacity, ConfigItemHandler handler, void* context);

// read_config_string of value `id` (5, 6 or 7), then expand_items into
// `buffer`, where the items stay. Returns the bytes used (0: blank), or -1,
// with its message printed, when the expanded items do not fit.
int read_expanded_items(int id, char* buffer, int capacity, ConfigItemHandler handler, void* context);

// The program's file name without its directory and its extension, in
// `buffer`; null when the module file name cannot be had or does not fit.
const char* program_stem(char* buffer, int capacity);

#endif
