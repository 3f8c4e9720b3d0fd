// The version of a Java runtime as the launcher reads and compares it: the
// registered version text and the bounds of values 3 and 4, and the family
// version of a release file or a key name. Pure functions over texts, which
// vandrel-pack shares.
#ifndef VANDREL_LAUNCHER_BASE_MAJOR_VERSION_H
#define VANDREL_LAUNCHER_BASE_MAJOR_VERSION_H

// The version number of a text: "1.3" gives 1.3; empty gives -1; a whole
// number ("9", "17") gives that number; every other form gives 0.
float parse_major_version(const char* text);

// The number a version text compares by: parse_major_version's, with a
// family "1.N" counting as N ("1.8" and "8" are the same Java).
float comparable_major_version(const char* text);

// The family version in a version text or a key name: "1.8.0_392" and
// "jdk1.8" give "1.8", "17.0.9", "zulu-17-jre" and "jdk-17" give "17", "8"
// gives "1.8". False when the text holds no number or the result does not fit.
bool family_version_in(const char* text, char* version, int capacity);

#endif
