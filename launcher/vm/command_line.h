// Windows command lines, in both directions: splitting the launcher's own
// into an argument vector, and writing one for a program it starts.
#ifndef VANDREL_LAUNCHER_VM_COMMAND_LINE_H
#define VANDREL_LAUNCHER_VM_COMMAND_LINE_H

// Runs of blanks and tabs separate arguments; a double quote opens a run that
// the next double quote or the line's end closes, inside which blanks and tabs
// belong to the argument; quotes are dropped. With `windows_rules` false,
// backslashes are ordinary. With it true, the Microsoft C runtime's rules
// apply: 2n backslashes before a double quote give n, and the quote opens or
// closes a run; 2n+1 give n and a literal quote; "" inside a run gives a
// quote, the run going on; other backslashes are literal.
// Returns the count; *argv receives a null-terminated vector from
// allocate_or_exit.
int split_command_line(const char* line, char*** argv, bool windows_rules = false);

// The command line that hands `argv` (`argc` entries, the program first) to
// a program whose C runtime splits by the Microsoft rules, each argument
// arriving byte for byte: every argument quoted (so that java expands no
// wildcard in it, as none is expanded in this process), its quotes escaped
// and the backslashes before them and before its closing quote doubled. A
// new string from allocate_or_exit.
char* windows_command_line(int argc, char* const* argv);

#endif
