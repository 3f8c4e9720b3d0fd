// Path helpers shared by the launcher and vandrel-pack: composing a path and
// naming the running program's own folder.
#ifndef VANDREL_LAUNCHER_BASE_PATHS_H
#define VANDREL_LAUNCHER_BASE_PATHS_H

// Room for a configured library path, the module file name and registry
// texts, terminator included.
constexpr int kPathCapacity = 260;

// Stores `directory`, a separator unless it ends with one, and `name` in
// `path`; false when that does not fit `capacity`.
bool join_path(const char* directory, const char* name, char* path, int capacity);

// The running executable's directory: its module file name up to its last
// separator. False when the name cannot be had, was cut, or holds no separator.
bool get_module_directory(char* buffer, int capacity);

#endif
