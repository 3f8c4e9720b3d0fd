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
    kConfigSeparateProcess = 14,
    kConfigArgumentQuoting = 15,
};

// Room every reader gives a value: at most 1999 bytes of text.
constexpr int kConfigValueCapacity = 2000;

// Reads value `id` into `buffer` and removes its comment (from its last "#"
// to the end). Returns the remaining length; 0 means blank (absent id, empty
// text, or only a comment), and the buffer's text is then not to be used.
int read_config_string(int id, char* buffer, int capacity);

// Which of `choices` value `id` names: 1 for the first, 2 for the second and
// so on; 0 when it is blank or names none of them. `choices` holds the words,
// each followed by its terminator, and ends with an empty word.
int read_config_choice(int id, const char* choices);

// Value 14's choices: a separate process only when this program cannot load
// the runtime found (blank), never, or always (where the runtime has its
// java program).
inline constexpr char kSeparateProcessChoices[] = "never\0always\0";
enum SeparateProcessMode { kSeparateWhenNeeded, kSeparateNever, kSeparateAlways };
// Value 15's choices: the simple splitting of the command line (blank), or
// the Microsoft C runtime's.
inline constexpr char kArgumentQuotingChoices[] = "simple\0windows\0";
constexpr int kWindowsQuoting = 2;

#endif
