// The range of Java versions the program accepts (values 3, 4 and 9).
#ifndef VANDREL_LAUNCHER_RUNTIME_VERSION_RANGE_H
#define VANDREL_LAUNCHER_RUNTIME_VERSION_RANGE_H

// The accepted versions, as comparable numbers; a bound that is not set lets
// every version through.
struct VersionRange {
    float minimum;
    float maximum;
};

// The range that lets every version through.
constexpr VersionRange kAnyVersion = {-1e9f, 1e9f};

// Reads both bounds (values 3 and 4), the minimum first; a blank bound lets
// every version through on its side, and a minimum below the first Java
// version is raised to it. False, with the message printed, when a bound is
// set but is no version.
bool read_version_range(VersionRange* range);

// True when value 9 is set: without it the range has no effect.
bool version_range_enforced();

// Prints, after value 9, the versions the range lets through, as values 3
// and 4 write them: "This program runs on Java 11 to 17." (or "11 or
// later", "17 or earlier"), on a line of its own after value 9, whose text
// is `message`; a bound that is no version is left out.
void print_versions_wanted(const char* message);

enum BoundCheck { kWithinBound, kOutsideBound, kBadBound };

// Checks a registered version text against values 3 and 4, the minimum
// first. A version outside counts only when value 9 is set; a bound that is
// no version has its message printed.
BoundCheck check_registered_version(const char* version_text);

#endif
