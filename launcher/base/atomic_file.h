// Writing a file so that it is never seen half-written: the bytes go to a
// new temporary file beside it, which then takes the file's place in one
// rename. Until then the old file (if any) stays as it was, and on every
// failure, an interruption or the process ending early, the temporary file
// is removed again.
//
//   AtomicFile out;
//   if (!atomic_file_open(&out, "game.exe")) ...;     // cannot be written
//   fwrite(..., out.stream);                           // as often as needed
//   if (!atomic_file_commit(&out)) atomic_file_abandon(&out);  // not written
//   // or atomic_file_abandon(&out) to give up
//
// What is not a regular file (a device, a FIFO, a directory, or a link that
// cannot be followed to a name) is opened once, in place, as fopen "wb"
// opens it. A symbolic link is followed: the file it leads to is replaced
// and the link stays. One file is written at a time per process.
#ifndef VANDREL_LAUNCHER_BASE_ATOMIC_FILE_H
#define VANDREL_LAUNCHER_BASE_ATOMIC_FILE_H

#include <cstddef>
#include <cstdio>

struct AtomicFile {
    FILE* stream;     // where the bytes go; null once committed or abandoned
    char* temporary;  // the temporary file; null when written in place
    char* target;     // the file it replaces (the destination, links followed)
    bool replaces;    // the target existed: its permissions are kept
};

// Opens `destination` for writing. False when it cannot be written: an empty
// name, an existing file that does not open for writing (read-only, a running
// program, locked), or no temporary file can be created beside it; nothing
// has then been created or changed.
bool atomic_file_open(AtomicFile* file, const char* destination);

// Closes the stream and puts the file in place. False when a write, the
// close or the rename failed: the old file is then as it was (unless the
// destination was written in place), and atomic_file_abandon removes the
// temporary file.
bool atomic_file_commit(AtomicFile* file);

// Closes the stream (if still open) and removes the temporary file. False
// when it could not be removed.
bool atomic_file_abandon(AtomicFile* file);

// Name number `number` of the temporary file for `target`: in the same
// directory, a base name of the same length as the target's (so that it fits
// wherever the target fits) beginning with "~". False when the target has no
// base name or `capacity` is too small.
bool temporary_name_for(const char* target, unsigned long long number, char* name, size_t capacity);

#endif
