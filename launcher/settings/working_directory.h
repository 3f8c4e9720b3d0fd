// The working directory a program is configured to run in (value 10).
#ifndef VANDREL_LAUNCHER_SETTINGS_WORKING_DIRECTORY_H
#define VANDREL_LAUNCHER_SETTINGS_WORKING_DIRECTORY_H

// Enters value 10, expanded; a relative value is taken from the program's
// directory. True when the value is blank or was entered; false, with the
// message printed, otherwise.
bool enter_working_directory();

#endif
