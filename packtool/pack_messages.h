// Every text vandrel-pack shows its user, besides those it shares with the
// launcher's packager (messages.h), and the statuses it ends with. Format texts follow the C library's
// formatted-output conventions; each carries its own line feed.
#ifndef VANDREL_PACKTOOL_PACK_MESSAGES_H
#define VANDREL_PACKTOOL_PACK_MESSAGES_H

#include "base/messages.h"

// The statuses vandrel-pack ends with, each with the message it printed.
enum PackStatus {
    kSuccess = 0,
    kUsage = 1,
    kNotAJar = 2,
    kOpenFailed = 3,
    kNotALauncher = 4,
    kWriteFailed = 5,
    kValueRefused = 6,
    kBadIcon = 7,
    kSigned = 8,
    kInputTooLarge = 9,
    kOutOfMemory = 10,
};

// The command line (standard error, followed by the usage text).
#define PACK_MSG_NEEDS_VALUE "Option %s needs a value\n"
#define PACK_MSG_UNKNOWN_OPTION "Unknown option: %s\n"
#define PACK_MSG_NOT_UTF8 "Not valid UTF-8: the value of %s (write texts in UTF-8)\n"
#define PACK_MSG_UNKNOWN_VALUE "Unknown configuration value: %s (the names are %s)\n"
#define PACK_MSG_UNKNOWN_VERSION_KEY "Unknown version information key: %s\n"

// Values refused before anything is written (standard error).
#define PACK_MSG_VALUE_TOO_LONG "Value too long: %s holds %lu bytes, at most 1999 fit\n"
#define PACK_MSG_VALUE_HASH_TOO_LONG \
    "Value too long: %s holds a \"#\" and 1999 bytes, leaving no room for the \"#\" that keeps it\n"
#define PACK_MSG_BAD_NO_RUNTIME_MESSAGE \
    "Not a valid no_runtime_message: it takes no conversion (write a literal % as %%)\n"
#define PACK_MSG_BAD_VERSION_MESSAGE \
    "Not a valid bad_version_message: it takes exactly one %s, the version (write a literal % as %%)\n"
#define PACK_MSG_BAD_VERSION_BOUND "Not a valid %s: '%s' (write a version such as 1.8, 11 or 17)\n"
#define PACK_MSG_BAD_CHOICE "Not a valid %s: '%s' (write %s)\n"
#define PACK_MSG_AUTO_NEEDS_ARCHIVE "--class-data-auto needs --class-data-archive\n"
#define PACK_MSG_BAD_CLASS_DATA_ARCHIVE                                                                    \
    "Not a valid class-data archive: '%s' (write an absolute Windows path such as C:\\Games\\hoop.jsa: a " \
    "relative one is taken from the working directory)\n"
#define PACK_MSG_BAD_STARTUP_CACHE                                                                            \
    "Not a valid startup_cache: '%s' (write an absolute folder of the user's own, or one that begins with a " \
    "reference, such as %%LOCALAPPDATA%%\\Hoop: a relative one is taken from the working directory)\n"
#define PACK_MSG_CACHE_CLASH                                                                                  \
    "A start-up cache cannot join class-data sharing options in vm_arguments (here %s): the VM would refuse " \
    "to start. Drop --startup-cache, or --class-data-archive and those options\n"
#define PACK_MSG_BAD_FIXED_VERSION "Not a valid %s: '%s' (write up to four numbers from 0 to 65535, such as 1.2.3.4)\n"
#define PACK_MSG_VERSION_TOO_LONG \
    "Version information too long: its texts do not fit the %lu bytes of the version block\n"

// Inputs (standard error).
#define PACK_MSG_CANNOT_OPEN "Error opening '%s': %s\n"
// Why a file does not open, the second text of PACK_MSG_CANNOT_OPEN.
#define PACK_REASON_NO_FILE "no such file"
#define PACK_REASON_NO_FOLDER "no such folder"
#define PACK_REASON_UNREADABLE "permission denied"
#define PACK_REASON_SPECIAL "it is a folder or a device"
#define PACK_REASON_IN_USE "it is read-only, or in use by another program"
#define PACK_REASON_FOLDER_UNWRITABLE "its folder cannot be written (permission denied)"
#define PACK_MSG_NOT_A_FILE "Not a regular file: %s\n"
#define PACK_MSG_TOO_LARGE "Too large: %s (vandrel-pack takes %s)\n"
#define PACK_MSG_NO_LAUNCHER \
    "Error opening '%s': no launcher beside vandrel-pack (--launcher FILE chooses the launcher)\n"
#define PACK_MSG_NOT_AN_EXECUTABLE "Not a Windows executable: %s\n"
#define PACK_MSG_SIGNED \
    "'%s' is signed: editing it would break the signature. Edit the unsigned launcher, then sign after packing.\n"
#define PACK_MSG_BROKEN_RESOURCES "Broken resource directory in '%s'\n"
#define PACK_MSG_CARRIES_ARCHIVE "'%s' already carries an appended archive: give the bare launcher\n"
#define PACK_MSG_NOT_AN_ICON "Not a valid icon file: %s\n"
#define PACK_MSG_NOT_A_MANIFEST "Not a valid manifest: %s (%s)\n"
#define PACK_MSG_UNREADABLE "it cannot be read"
#define PACK_MSG_INPUT_IS_DESTINATION "Refusing to write '%s': it is one of the inputs\n"

// The limits of PACK_MSG_TOO_LARGE, as formats/ sets them.
#define PACK_LIMIT_LAUNCHER "a launcher of at most 64 MiB"
#define PACK_LIMIT_RESOURCES "resources of at most 16 MiB"
#define PACK_LIMIT_ICON_FILE "an icon file of at most 16 MiB"
#define PACK_LIMIT_ICON_IMAGES "an icon of at most 256 images"
#define PACK_LIMIT_MANIFEST "a manifest of at most 16 MiB"

// Writing (standard error).
#define PACK_MSG_NO_ROOM "No room for the new resources in '%s'\n"
#define PACK_MSG_NO_READ_BACK "Error writing '%s': the written file does not read back (%s)\n"
#define PACK_MSG_OUT_OF_MEMORY "Out of memory\n"
#define PACK_MSG_PROGRAM_FILES_WARNING                                                                           \
    "Warning: users cannot write under Program Files, and a VM that cannot write a missing archive ends the "    \
    "program with an error, and a start-up cache there is not used: choose a folder of the user's own, such as " \
    "one under %LOCALAPPDATA%\n"

#define PACK_MSG_CACHE_32_BIT_WARNING                                                                      \
    "Warning: the 32-bit launcher keeps no start-up cache, so startup_cache has no effect there: pack with " \
    "the 64-bit launcher for one\n"

// --help and a wrong command line (standard output).
#define PACK_MSG_USAGE                                                                                                \
    "vandrel-pack " VANDREL_VERSION_TEXT                                                                              \
    ": configure, brand and pack a Windows program\n"                                                                 \
    "Usage:\n"                                                                                                        \
    "  vandrel-pack [EDITS] [--launcher FILE] source.jar dest.exe   pack: a configured copy of the launcher, then "   \
    "the JAR\n"                                                                                                       \
    "  vandrel-pack --configure [EDITS] launcher.exe dest.exe        a configured launcher, nothing appended\n"       \
    "  vandrel-pack --show FILE.exe                                  print what a launcher or packed program holds\n" \
    "  vandrel-pack --version                                        print the version of vandrel-pack\n"             \
    "EDITS:\n"                                                                                                        \
    "  --set NAME=VALUE      a configuration value by its label (runtime_library_path, min_version, max_version,\n"   \
    "                        vm_arguments, leading_arguments, trailing_arguments, no_runtime_message,\n"              \
    "                        bad_version_message, working_directory, single_instance, options_file,\n"                \
    "                        startup_cache, separate_process, argument_quoting); \"\\n\" in VALUE separates the\n"    \
    "                        items of values 5 to 7; repeatable\n"                                                    \
    "  --icon FILE.ico       replace icon group 101 with every image of FILE.ico\n"                                   \
    "  --version-info KEY=VALUE\n"                                                                                    \
    "                        version information: FileVersion, ProductVersion, ProductName, FileDescription,\n"       \
    "                        CompanyName, LegalCopyright, OriginalFilename, InternalName; repeatable\n"               \
    "  --gui | --console     the Windows subsystem: GUI (no console window) or console (the default)\n"               \
    "  --class-data-archive FILE\n"                                                                                   \
    "                        add to vm_arguments the options that map the class-data archive FILE (an\n"              \
    "                        absolute Windows path) at start-up, and that keep runtimes without it, or an\n"          \
    "                        archive that no longer matches, from failing or warning (Java 13 and later)\n"           \
    "  --class-data-auto     with --class-data-archive: the VM writes FILE when it is missing and the\n"              \
    "                        program ends (Java 19 and later): give a folder of the user's own\n"                     \
    "  --startup-cache[=DIR] the VM makes a start-up cache in DIR on the user's machine and uses it on later\n"       \
    "                        starts (Java 19 and later); DIR defaults to %LOCALAPPDATA%\\<program name>\n"            \
    "  --utf8                the program's ANSI code page becomes UTF-8 (Windows 10 1903 and later): its\n"           \
    "                        arguments, paths and texts keep every script\n"                                          \
    "  --manifest FILE       replace the application manifest with FILE (XML with an assembly root)\n"                \
    "The launcher defaults to win64/vandrel.exe beside vandrel-pack, else to vandrel.exe beside it.\n"

// --version (standard output).
#define PACK_MSG_VERSION "vandrel-pack " VANDREL_VERSION_TEXT "\n"

// --show (standard output). Texts from the file are printed escaped.
#define SHOW_FILE "File: %s\n"
#define SHOW_IMAGE "Image: %s, machine %s, subsystem %s\n"
#define SHOW_NO_RESOURCES "Resources: broken\n"
#define SHOW_VALUES "Values:%s\n"
#define SHOW_NO_VALUES " none (no string table block 1 in language 1033)"
#define SHOW_ENTRY "  %s = %s\n"
#define SHOW_ICON "Icon 101:"
#define SHOW_ICON_IMAGE " %ux%u/%ubit"
#define SHOW_NO_ICON "Icon 101: none\n"
#define SHOW_VERSION "Version: file %u.%u.%u.%u, product %u.%u.%u.%u\n"
#define SHOW_NO_VERSION "Version: none\n"
#define SHOW_BARE "Archive: none (a bare launcher)\n"
#define SHOW_ARCHIVE "Archive: appended at %llu, opens%s: %llu entries, Main-Class: %s\n"
#define SHOW_DAMAGED_ARCHIVE "Archive: %llu bytes appended, does not open\n"
#define SHOW_SIGNED "Signed: %s\n"
#define SHOW_NO_MANIFEST "Manifest: none\n"
#define SHOW_BROKEN_MANIFEST "Manifest: not well-formed\n"
#define SHOW_MANIFEST "Manifest: execution level %s (uiAccess %s), DPI awareness %s (dpiAware %s), code page %s\n"
#define SHOW_MANIFEST_ABSENT "(none)"
#define SHOW_MANIFEST_SYSTEM_CODE_PAGE "(the system's ANSI code page)"

#endif
