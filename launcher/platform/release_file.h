// The family version of an installed Java runtime, from its "release" file.
#ifndef VANDREL_RELEASE_FILE_H
#define VANDREL_RELEASE_FILE_H

// Reads JAVA_VERSION from `home`'s release file and stores its family
// version: "1.8.0_392" gives "1.8", "17.0.15" gives "17". False when the file
// or the entry is missing or the result does not fit `capacity`.
bool read_release_family_version(const char* home, char separator, char* version, int capacity);

// The family version of a full version text, as above; false when it does not fit.
bool family_version_of(const char* full, char* version, int capacity);

// Reads the quoted value of entry `key` (KEY="value") of `home`'s release
// file; false when the file or the entry is missing or the value does not fit.
bool read_release_entry(const char* home, char separator, const char* key, char* value, int capacity);

#endif
