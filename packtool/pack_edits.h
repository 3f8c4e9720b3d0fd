// The edits vandrel-pack makes to a launcher, as parsed from its command
// line, and the checks every value passes before anything is written.
#ifndef VANDREL_PACKTOOL_PACK_EDITS_H
#define VANDREL_PACKTOOL_PACK_EDITS_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>
#include "settings/config.h"

#define VANDREL_PACK_PRINTF(f, a) __attribute__((format(printf, f, a)))

enum SubsystemChoice { kKeepSubsystem, kGuiSubsystem, kConsoleSubsystem };

// The highest string-table id of a configuration value.
constexpr int kLastConfigId = kConfigArgumentQuoting;

struct PackEdits {
    bool has_value[kLastConfigId + 1];                         // by string-table id, 2 to kLastConfigId
    std::string values[kLastConfigId + 1];                     // UTF-8, escapes already resolved
    std::string icon_path;                                     // empty: keep the icon
    std::vector<std::pair<std::string, std::string>> version;  // key, value
    SubsystemChoice subsystem;
    std::string class_data_archive;  // empty: value 5 names no class-data archive
    bool class_data_auto;            // the VM makes and refreshes the archive itself
    bool startup_cache;              // --startup-cache: value 13, by default the user's cache directory
};

enum EditResult { kEditOk, kEditUsage, kEditRefused };

// The id of a configuration value's label ("vm_arguments" gives 5); 0 when unknown.
int config_id_of_label(const std::string& label);
const char* config_label_of_id(int id);

// Takes "NAME=VALUE" of --set. In values 5 to 9 "\n" is a line feed and
// "\\" a backslash; values 2 to 4 and 10 to 15 (paths, versions, a name, a
// choice) are taken as written.
EditResult parse_set_argument(const char* argument, PackEdits* edits, std::string* message);

// Takes "KEY=VALUE" of --version-info.
EditResult parse_version_argument(const char* argument, PackEdits* edits, std::string* message);

// Checks every value and version string: the 1999-byte limit, the two
// message formats, the two version bounds, the fixed version numbers, the
// version block's 16-bit lengths. A value's bytes are counted in the
// program's ANSI code page: one a character in a single-byte one, its UTF-8
// bytes with `utf8_code_page` (--utf8), where the program reads each
// character as its UTF-8 bytes.
EditResult check_edits(const PackEdits& edits, std::string* message, bool utf8_code_page);

// Value 5 with the options that make the VM map a class-data archive,
// `edits.class_data_archive`, in place of any earlier choice of archive:
// -XX:SharedArchiveFile=<archive>, -XX:+AutoCreateSharedArchive when
// `edits.class_data_auto`, -XX:+IgnoreUnrecognizedVMOptions so that runtimes
// without these options skip them, and -Xlog:cds*=off so that an archive that
// no longer matches is not reported on every start. The other items of
// `vm_arguments` stay as they are, first.
std::string with_class_data_options(const std::string& vm_arguments, const PackEdits& edits);

// The start-up cache directory --startup-cache gives by default: under
// %LOCALAPPDATA% for a Windows launcher, else under %XDG_CACHE_HOME% (the
// launcher reads it as ~/.cache when unset), in a folder named as the
// program `destination` without its directory and extension.
std::string default_startup_cache(bool windows, const std::string& destination);

// True when `path` lies under Program Files, where users cannot write.
bool under_program_files(const std::string& path);

// The text stored for value `id`: the value, then "#" and the comment the
// shipped resource script gives it.
std::u16string stored_config_text(int id, const std::string& value);

// True when `text` is well-formed UTF-8: no overlong form, no surrogate, no
// code point past U+10FFFF, no stray or missing continuation byte. Every
// text of the command line is checked before anything else reads it.
bool valid_utf8(const char* text);

// `text` fit for a terminal: control characters (C0, DEL and C1) as "\n",
// "\r", "\t" or "\xHH" for each byte, and bytes that are no UTF-8 as "\xHH".
std::string escaped_for_terminal(const std::string& text);

// UTF-8 to UTF-16 (bytes that are no UTF-8 taken as Latin-1) and back.
std::u16string widen(const std::string& text);
std::string narrow(const std::u16string& text);

// The text the launcher reads from `stored`: cut to 1999 units, then cut at its last "#".
std::u16string value_after_comment_rule(const std::u16string& stored);

#endif
