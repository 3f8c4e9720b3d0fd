// A start-up cache that the Java VM makes on the user's machine and uses on
// later starts, in the directory value 13 names.
//
// The cache file's name holds the program's name, the runtime's version and
// the program file's size and modification time, so that another runtime or
// an updated program never meets a stale cache; older caches of the program
// are removed. Java 25 and later: the VM's ahead-of-time cache, written when
// the program ends (-XX:AOTCacheOutput) and used once it exists
// (-XX:AOTCache). Java 19 to 24: a dynamic class-data archive that the VM
// makes and refreshes itself. Older runtimes: nothing. The VM's messages
// about the cache are switched off, and a directory that cannot be made or
// written only leaves the cache out.
#ifndef VANDREL_LAUNCHER_SETTINGS_STARTUP_CACHE_H
#define VANDREL_LAUNCHER_SETTINGS_STARTUP_CACHE_H

// Adds the cache options for the program file `program`. False, with its
// message printed, only when value 13 does not fit once expanded.
bool add_startup_cache_options(const char* program);

#endif
