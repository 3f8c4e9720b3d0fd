// The file-system entries of the platform table, one implementation per
// system (files_posix.cpp, files_win32.cpp). They form a unit of their own so
// that a program that only reads and writes files (vandrel-pack) links them
// without the rest of the platform layer. Each does what its entry in
// platform.h describes.
#ifndef VANDREL_LAUNCHER_PLATFORM_FILES_H
#define VANDREL_LAUNCHER_PLATFORM_FILES_H

#include "platform/platform.h"

unsigned long system_module_file_name(char* buffer, unsigned long capacity);
FILE* system_open_own_file();
bool system_path_exists(const char* path);
FILE* system_file_open(const char* path, const char* mode);
int system_file_close(FILE* file);
bool system_same_file(const char* a, const char* b);
bool system_names_special_file(const char* path);
bool system_replace_file(const char* from, const char* to);
bool system_remove_file(const char* path);
FILE* system_file_create_new(const char* path);
int system_probe_writable(const char* path);
bool system_file_status(FILE* file, FileStatus* status);
void system_adopt_attributes(FILE* file, const char* model);
bool system_link_target(const char* path, char* target, unsigned long capacity);
void system_remove_on_interrupt(const char* path);
// The three below are no entries of the table: the launcher has no use for them.
// True when the open `file` is a regular file (no device, pipe or directory).
bool system_is_regular_file(FILE* file);
// Moves an open stream to byte `position` counted from the file's start (64
// bits on every system); false when it cannot.
bool system_file_seek(FILE* file, unsigned long long position);
// Appends `length` bytes of `in`, from byte `position`, to `out`, inside the
// system where it can (no copy through the program's memory). False when
// fewer were copied.
bool system_file_copy(FILE* in, unsigned long long position, unsigned long long length, FILE* out);

// The file-system entries of a platform table's initialiser, in the table's
// order, as each system's table fills them.
#define VANDREL_FILE_SYSTEM_ENTRIES                                                                                    \
    .path_exists = system_path_exists, .file_open = system_file_open, .file_close = system_file_close,                 \
    .same_file = system_same_file, .names_special_file = system_names_special_file,                                    \
    .replace_file = system_replace_file, .remove_file = system_remove_file, .file_create_new = system_file_create_new, \
    .probe_writable = system_probe_writable, .file_status = system_file_status,                                        \
    .adopt_attributes = system_adopt_attributes, .link_target = system_link_target,                                    \
    .remove_on_interrupt = system_remove_on_interrupt

#endif
