// VM options from a file the configuration names (value 12), for the user
// to change without repacking.
#ifndef VANDREL_LAUNCHER_SETTINGS_OPTIONS_FILE_H
#define VANDREL_LAUNCHER_SETTINGS_OPTIONS_FILE_H

// Adds each line of the file named by value 12, expanded, as a VM option:
// blanks and tabs around a line are dropped, empty lines and lines beginning
// with "#" are skipped, references are expanded and version markers apply.
// The file has the room of a value: 1999 bytes, once expanded. A blank value
// or a missing file adds nothing. False, with the message printed, when the
// value or the file does not fit.
bool add_vm_options_from_file();

#endif
