// One running instance at a time for a program that names its lock (value 11).
#ifndef VANDREL_LAUNCHER_SETTINGS_SINGLE_INSTANCE_H
#define VANDREL_LAUNCHER_SETTINGS_SINGLE_INSTANCE_H

// Takes the lock named by value 11, expanded, for the rest of the process.
// False, with "<program> is already running." printed, when another process
// holds it; true when the value is blank, the lock was taken, or the system
// offers no lock (the program is never kept from starting by a lock it
// cannot have).
bool claim_single_instance();

#endif
