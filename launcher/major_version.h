// The version of a Java runtime as the launcher reads and compares it: the
// registered version text, the family version of a release file or a key
// name, and the configured range of values 3 and 4.
#ifndef VANDREL_MAJOR_VERSION_H
#define VANDREL_MAJOR_VERSION_H

#include "config.h"

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

// The accepted versions, as comparable numbers; a bound that is not set lets
// every version through.
struct VersionRange {
    float minimum;
    float maximum;
};

// Reads bound `id` (kConfigMinVersion or kConfigMaxVersion) into `bound`,
// which keeps its value when the bound is blank; a minimum below the first
// Java version is raised to it. False, with the message printed, when the
// bound is set but is no version.
bool read_version_bound(ConfigValueId id, float* bound);

// Reads both bounds, the minimum first; false as read_version_bound.
bool read_version_range(VersionRange* range);

// True when value 9 is set: without it the range has no effect.
bool version_range_enforced();

// The range that lets every version through.
constexpr VersionRange kAnyVersion = {-1e9f, 1e9f};

#endif
