// The configuration values of the launcher's string table. Their text
// rules (comment, line split) are in text_rules.h, shared with vandrel-pack.
#ifndef VANDREL_LAUNCHER_SETTINGS_CONFIG_H
#define VANDREL_LAUNCHER_SETTINGS_CONFIG_H

#include "base/text_rules.h"

enum ConfigValueId {
    kConfigReadme = 1,
    kConfigRuntimeLibraryPath = 2,
    kConfigMinVersion = 3,
    kConfigMaxVersion = 4,
    kConfigVmArguments = 5,
    kConfigLeadingArguments = 6,
    kConfigTrailingArguments = 7,
    kConfigNoRuntimeMessage = 8,
    kConfigBadVersionMessage = 9,
    kConfigWorkingDirectory = 10,
    kConfigSingleInstance = 11,
    kConfigOptionsFile = 12,
    kConfigStartupCache = 13,
};

// Room every reader gives a value: at most 1999 bytes of text.
constexpr int kConfigValueCapacity = 2000;

// Reads value `id` into `buffer` and removes its comment (from its last "#"
// to the end). Returns the remaining length; 0 means blank (absent id, empty
// text, or only a comment), and the buffer's text is then not to be used.
int read_config_string(int id, char* buffer, int capacity);

#endif
