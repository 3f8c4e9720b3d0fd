// VM options from a file the configuration names (value 12), for the user
// to change without repacking.
#ifndef VANDREL_LAUNCHER_SETTINGS_OPTIONS_FILE_H
#define VANDREL_LAUNCHER_SETTINGS_OPTIONS_FILE_H

// Adds each line of the file named by value 12 (a relative name taken from
// the program's directory) as a VM option: a leading UTF-8 byte-order mark
// and blanks and tabs around a line are dropped, empty lines and lines
// beginning with "#" are skipped, each line's references are expanded on
// their own and version markers apply. The file has the room of a value:
// 1999 bytes, once expanded. A blank value, or a missing file or one that is
// no regular file (a FIFO, a directory), adds nothing. False, with the message printed, when the
// value or the file does not fit.
bool add_vm_options_from_file();

#endif
