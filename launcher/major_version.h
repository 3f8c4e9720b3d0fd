// The major version of a Java runtime as the launcher reads it from the
// registry and from its two version bounds.
#ifndef VANDREL_LAUNCHER_MAJOR_VERSION_H
#define VANDREL_LAUNCHER_MAJOR_VERSION_H

// The version number of a text: "1.3" gives 1.3; empty gives -1; a whole
// number ("9", "17") gives that number; every other form gives 0.
float parse_major_version(const char* text);

// The first version there was: a lower minimum bound is raised to it.
constexpr float kFirstJavaVersion = 1.2f;

#endif
