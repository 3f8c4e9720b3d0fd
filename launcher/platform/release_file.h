// The family version of an installed Java runtime, from its "release" file.
#ifndef VANDREL_LAUNCHER_PLATFORM_RELEASE_FILE_H
#define VANDREL_LAUNCHER_PLATFORM_RELEASE_FILE_H

// Reads JAVA_VERSION from `home`'s release file and stores its family
// version: "1.8.0_392" gives "1.8", "17.0.15" gives "17". False when the file
// or the entry is missing or the result does not fit `capacity`.
bool read_release_family_version(const char* home, char separator, char* version, int capacity);

// The family version of a full version text, as above; false when it does not fit.
bool family_version_of(const char* full, char* version, int capacity);

#endif
