// A silent MCI for POSIX systems, which have none: the two MCI calls of the
// Windows multimedia library and the kernel's short-path call that tunegate
// makes, for the Linux tunegate. It understands the commands the Java sound
// classes send, keeps its devices by alias and answers them as Wine's
// multimedia library does, with its MCI error codes and texts, but it plays
// nothing: the Linux library lets Java code that uses com.brightfen.mci.Mci
// run, and be tested, where there is no MCI.
#ifndef VANDREL_MCIBRIDGE_SILENT_MCI_H
#define VANDREL_MCIBRIDGE_SILENT_MCI_H

#include <cstddef>
#include <cstdint>

typedef std::uint32_t MCIERROR;
typedef std::uint32_t DWORD;
typedef std::uint32_t UINT;
typedef int BOOL;

// Sends a command; 0 on success, an MCI error code otherwise. A reply (the
// mode of "status ... mode", else the empty string) goes to return_text when
// it is given with a capacity. The callback window is not used.
MCIERROR mciSendStringA(const char* command, char* return_text, UINT return_capacity, void* callback_window);

// Writes the English text of an error code, cut to capacity - 1 bytes and
// terminated; nonzero when MCI knows the code. An unknown code leaves the
// empty string and answers 0.
BOOL mciGetErrorStringA(MCIERROR error, char* text, UINT capacity);

// The short form of an existing path is the path itself: its length on
// success, the size needed (terminator included) when it does not fit into
// capacity bytes, and 0 when the path does not exist.
DWORD GetShortPathNameA(const char* long_path, char* short_path, DWORD capacity);

// The command parser, a pure function over the command text.

enum MciVerb {
    kMciVerbNone,
    kMciVerbOpen,
    kMciVerbPlay,
    kMciVerbStop,
    kMciVerbPause,
    kMciVerbResume,
    kMciVerbStatus,
    kMciVerbSetaudio,
    kMciVerbClose,
};

enum MciStatusItem {
    kMciStatusNone,
    kMciStatusMode,
};

// A word of the command text: where it starts in the text and how long it is,
// without its double quotes.
struct MciWord {
    const char* text;
    std::size_t length;
};

struct MciCommand {
    MciVerb verb;
    // The device the command names: an alias, or for "open" a file name.
    MciWord device;
    bool device_is_all;
    // "open": the "type" and "alias" values (empty when not given).
    MciWord type;
    MciWord alias;
    // "play": "from" position and "repeat".
    bool has_from;
    std::uint32_t from;
    bool repeat;
    // "status": the item asked for.
    MciStatusItem status_item;
    // "setaudio ... volume to N".
    bool has_volume;
    std::uint32_t volume;
    // An error found up to the device name (no command, an unknown command,
    // no device name, "all" with any command but "close"), 0 if none. MCI
    // reports it before it looks the device up.
    MCIERROR error;
    // The first error in the words behind the device name, 0 if none. MCI
    // reports it only for a device that is open.
    MCIERROR argument_error;
};

// Parses a command text; the words point into the text.
MciCommand mci_parse_command(const char* text);

// Compares two byte strings, ASCII letters without regard to case.
bool mci_same_word(const char* a, std::size_t a_length, const char* b, std::size_t b_length);

#endif
