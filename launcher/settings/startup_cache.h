// A start-up cache that the Java VM makes on the user's machine and uses on
// later starts, in the folder value 13 names.
//
// The cache's name holds the program's name, the runtime's version and the
// program file's size and modification time, so that another runtime or an
// updated program never meets a stale cache. The folder must be absolute and
// private to the user (platform is_private), and so must a cache before the
// VM is handed it; a folder the launcher makes is private, and marked as a
// cache folder (CACHEDIR.TAG), the only kind in which it removes files: the
// other caches of the program, by their whole name. Options of the program's
// own that choose the VM's class-data sharing leave the cache out.
//
// Java 25 and later: the first start records the run (-XX:AOTMode=record);
// when the program has ended the launcher starts itself again, detached and
// at low priority, to assemble the cache (-XX:AOTMode=create) under a
// temporary name that it renames into place. Java 19 to 24: a dynamic
// class-data archive the VM makes and refreshes itself. Older runtimes:
// nothing. An attempt that did not give a cache leaves a marker, after which
// the launcher waits some starts before it tries again; too little free
// space, an unwritable folder or anything else wrong leaves the cache out
// without a word (with _JAVA_LAUNCHER_DEBUG, one trace line says why).
#ifndef VANDREL_LAUNCHER_SETTINGS_STARTUP_CACHE_H
#define VANDREL_LAUNCHER_SETTINGS_STARTUP_CACHE_H

// Adds the cache options for the program file `program` (in the process
// that assembles a cache: the options that assemble it). False, with its
// message printed, when value 13 does not fit once expanded; in the
// assembling process also when there is nothing to assemble.
bool add_startup_cache_options(const char* program);

// True in the process the launcher started to assemble a cache, which
// never runs the program.
bool making_startup_cache();

// When this run records for a cache, the action to take once the program
// has ended (finish_startup_cache), else null.
void (*startup_cache_action())();

// Before the VM is destroyed after the program returned with `status`: when
// the VM then fails to write its record (a quota reached), the process ends
// with `status` and nothing more is printed.
void note_program_status(int status);

// After the program has ended: when this run recorded, starts the process
// that assembles the cache. Does its work once.
void finish_startup_cache();

#endif
