// Path helpers shared by the launcher and vandrel-pack: composing a path and
// naming the running program's own folder.
#ifndef VANDREL_LAUNCHER_BASE_PATHS_H
#define VANDREL_LAUNCHER_BASE_PATHS_H

// Room for a configured library path, the module file name and registry
// texts, terminator included.
constexpr int kPathCapacity = 260;

// Stores `directory`, a separator unless it ends with one, and `name` in
// `path`; false when that does not fit `capacity`.
bool join_path(const char* directory, const char* name, char* path, int capacity);

// Which system's rules a path is judged by: vandrel-pack judges Windows
// paths on any host.
enum PathFlavour { kWindowsPaths, kPosixPaths };
// The flavour of the system this program runs on.
#ifdef _WIN32
constexpr PathFlavour kOwnPathFlavour = kWindowsPaths;
#else
constexpr PathFlavour kOwnPathFlavour = kPosixPaths;
#endif

// True when `path` names the same place whatever the current directory and
// drive: on Windows a drive and its root ("C:\x", "C:/x") or a UNC or
// device path ("\\server\share", "//server/share"), never "x\jvm.dll",
// "C:jvm.dll" (the drive's current directory) or "\x" (the current drive's
// root); on POSIX a path beginning with "/".
bool is_absolute_path(const char* path, PathFlavour flavour);

// The running executable's file name, terminated, in `buffer`. False when
// it cannot be had or was cut.
bool get_module_file(char* buffer, int capacity);

// The running executable's directory: its module file name up to its last
// separator. False when the name cannot be had, was cut, or holds no separator.
bool get_module_directory(char* buffer, int capacity);

#endif
