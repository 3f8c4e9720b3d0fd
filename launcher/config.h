// The configuration values of the launcher's string table.
#ifndef VANDREL_CONFIG_H
#define VANDREL_CONFIG_H

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

// Called with each item of a multi-line value, in order.
typedef void (*ConfigItemHandler)(char* item, void* context);

// Cuts the terminated text in `text` into its line items in place: a line
// feed ends an item (an empty line gives an empty item, a final line feed no
// extra one), a carriage return ends the item's text without ending the
// item, and a text that begins with "#" yields nothing. Returns the count.
int split_config_lines(char* text, ConfigItemHandler handler, void* context);

#endif
