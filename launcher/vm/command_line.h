// Splitting a Windows command line into an argument vector.
#ifndef VANDREL_LAUNCHER_VM_COMMAND_LINE_H
#define VANDREL_LAUNCHER_VM_COMMAND_LINE_H

// Runs of blanks and tabs separate arguments; a double quote opens a run that
// the next double quote or the line's end closes, inside which blanks and tabs
// belong to the argument; quotes are dropped; backslashes are ordinary.
// Returns the count; *argv receives a null-terminated vector from
// allocate_or_exit.
int split_command_line(const char* line, char*** argv);

#endif
