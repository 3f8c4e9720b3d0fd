#include "silent_mci.h"

#include <sys/stat.h>

#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "mci_error_texts.h"
#include "base/text_rules.h"

namespace {

enum MciMode {
    kMciModeStopped,
    kMciModePlaying,
    kMciModePaused,
};

struct MciDevice {
    std::string alias;
    std::string path;
    std::string type;
    MciMode mode;
    std::uint32_t volume;
};

// The open devices of the process, as MCI keeps them for an application.
std::mutex devices_lock;
std::vector<MciDevice> devices;

const std::uint32_t kMaxVolume = 1000;

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool is_word(const MciWord& word, const char* keyword) {
    return mci_same_word(word.text, word.length, keyword, std::strlen(keyword));
}

// Reads the word at *position and moves behind it. False at the end of the
// text. A word in double quotes may hold spaces; the quotes are dropped.
bool next_word(const char** position, MciWord* word, MCIERROR* error) {
    const char* p = *position;
    while (is_space(*p)) {
        ++p;
    }
    if (*p == '\0') {
        *position = p;
        return false;
    }
    if (*p == '"') {
        const char* start = p + 1;
        const char* end = std::strchr(start, '"');
        if (end == nullptr) {
            *error = kMciErrorNoClosingQuote;
            *position = start + std::strlen(start);
            return false;
        }
        word->text = start;
        word->length = static_cast<std::size_t>(end - start);
        p = end + 1;
        if (*p != '\0' && !is_space(*p)) {
            *error = kMciErrorExtraCharacters;
        }
        *position = p;
        return true;
    }
    const char* start = p;
    while (*p != '\0' && !is_space(*p)) {
        ++p;
    }
    word->text = start;
    word->length = static_cast<std::size_t>(p - start);
    *position = p;
    return true;
}

// Reads the value behind a keyword; a missing value is a missing parameter.
MCIERROR next_value(const char** position, MciWord* value) {
    MCIERROR error = 0;
    if (!next_word(position, value, &error)) {
        return error != 0 ? error : kMciErrorMissingParameter;
    }
    return error;
}

MCIERROR next_integer(const char** position, std::uint32_t* number) {
    MciWord value = {};
    const MCIERROR error = next_value(position, &value);
    if (error != 0) {
        return error;
    }
    std::uint64_t result = 0;
    for (std::size_t i = 0; i < value.length; ++i) {
        const char c = value.text[i];
        if (!is_digit(c)) {
            return kMciErrorBadInteger;
        }
        result = result * 10 + static_cast<std::uint64_t>(c - '0');
        if (result > 0xFFFFFFFFu) {
            return kMciErrorBadInteger;
        }
    }
    *number = static_cast<std::uint32_t>(result);
    return 0;
}

MciVerb verb_of(const MciWord& word) {
    if (is_word(word, "open")) return kMciVerbOpen;
    if (is_word(word, "play")) return kMciVerbPlay;
    if (is_word(word, "stop")) return kMciVerbStop;
    if (is_word(word, "pause")) return kMciVerbPause;
    if (is_word(word, "resume")) return kMciVerbResume;
    if (is_word(word, "status")) return kMciVerbStatus;
    if (is_word(word, "setaudio")) return kMciVerbSetaudio;
    if (is_word(word, "close")) return kMciVerbClose;
    return kMciVerbNone;
}

// The flags seen so far in the words behind the device name.
struct SeenFlags {
    bool wait;
    bool notify;
    bool type;
    bool alias;
    bool repeat;
};

// Reads "to N" behind "setaudio ... volume".
MCIERROR parse_volume(const char** position, MciCommand* command) {
    MciWord to = {};
    MCIERROR error = next_value(position, &to);
    if (error == 0 && !is_word(to, "to")) {
        error = kMciErrorMissingParameter;
    }
    if (error == 0) {
        error = next_integer(position, &command->volume);
    }
    if (error == 0 && command->volume > kMaxVolume) {
        error = kMciErrorOutOfRange;
    }
    return error;
}

// The flag that keyword `word` of the command's verb sets, its value read
// from *position with any error in *value_error; null for a word that is no
// such keyword. A repeated keyword's value is read only the first time.
bool* parse_keyword(const MciWord& word, const char** position, MciCommand* command, SeenFlags* seen,
                    MCIERROR* value_error) {
    const MciVerb verb = command->verb;
    if (is_word(word, "wait")) {
        return &seen->wait;
    }
    if (is_word(word, "notify")) {
        return &seen->notify;
    }
    if (verb == kMciVerbOpen && is_word(word, "type")) {
        *value_error = next_value(position, &command->type);
        return &seen->type;
    }
    if (verb == kMciVerbOpen && is_word(word, "alias")) {
        *value_error = next_value(position, &command->alias);
        return &seen->alias;
    }
    if (verb == kMciVerbPlay && is_word(word, "from")) {
        if (!command->has_from) {
            *value_error = next_integer(position, &command->from);
        }
        return &command->has_from;
    }
    if (verb == kMciVerbPlay && is_word(word, "repeat")) {
        return &seen->repeat;
    }
    if (verb == kMciVerbSetaudio && is_word(word, "volume")) {
        if (!command->has_volume) {
            *value_error = parse_volume(position, command);
        }
        return &command->has_volume;
    }
    return nullptr;
}

// Parses the words behind the device name; the first error found is the result.
MCIERROR parse_arguments(const char* position, MciCommand* command) {
    SeenFlags seen = {};
    MciWord word = {};
    MCIERROR error = 0;
    while (next_word(&position, &word, &error)) {
        if (error != 0) {
            return error;
        }
        if (command->verb == kMciVerbStatus && is_word(word, "mode")) {
            if (command->status_item != kMciStatusNone) {
                return kMciErrorDuplicateFlags;
            }
            command->status_item = kMciStatusMode;
            continue;
        }
        MCIERROR value_error = 0;
        bool* flag = parse_keyword(word, &position, command, &seen, &value_error);
        if (flag == nullptr) {
            return kMciErrorUnrecognizedKeyword;
        }
        if (*flag) {
            return kMciErrorDuplicateFlags;
        }
        *flag = true;
        if (value_error != 0) {
            return value_error;
        }
    }
    if (error != 0) {
        return error;
    }
    command->repeat = seen.repeat;
    if (command->verb == kMciVerbStatus && command->status_item == kMciStatusNone) {
        return kMciErrorMissingParameter;
    }
    if (command->verb == kMciVerbSetaudio && !command->has_volume) {
        return kMciErrorMissingParameter;
    }
    return 0;
}

int find_device(const MciWord& alias) {
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const std::string& known = devices[i].alias;
        if (mci_same_word(known.data(), known.size(), alias.text, alias.length)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool file_exists(const MciWord& path) {
    const std::string name(path.text, path.length);
    struct stat status;
    return stat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

MCIERROR write_reply(const char* reply, char* return_text, UINT return_capacity) {
    if (return_text == nullptr || return_capacity == 0) {
        return 0;
    }
    const std::size_t length = std::strlen(reply);
    if (length >= return_capacity) {
        return_text[0] = '\0';
        return kMciErrorParamOverflow;
    }
    std::memcpy(return_text, reply, length + 1);
    return 0;
}

MCIERROR open_device(const MciCommand& command) {
    // Wine's MPEGVideo driver reports a file it cannot play, a missing one
    // too, as a failure to build its player.
    if (!file_exists(command.device)) {
        return kMciErrorInternal;
    }
    const bool has_alias = command.alias.length != 0;
    const MciWord& key = has_alias ? command.alias : command.device;
    if (find_device(key) >= 0) {
        return has_alias ? kMciErrorDuplicateAlias : kMciErrorDeviceOpen;
    }
    MciDevice device;
    device.alias.assign(key.text, key.length);
    device.path.assign(command.device.text, command.device.length);
    device.type.assign(command.type.text != nullptr ? command.type.text : "", command.type.length);
    device.mode = kMciModeStopped;
    device.volume = kMaxVolume;
    devices.push_back(device);
    return 0;
}

const char* mode_name(MciMode mode) {
    switch (mode) {
        case kMciModePlaying:
            return "playing";
        case kMciModePaused:
            return "paused";
        case kMciModeStopped:
            break;
    }
    return "stopped";
}

// Runs a command on the open device devices[index]; *reply is its answer.
MCIERROR run_on_device(const MciCommand& command, std::size_t index, const char** reply) {
    MciDevice& device = devices[index];
    switch (command.verb) {
        case kMciVerbPlay:
            device.mode = kMciModePlaying;
            break;
        case kMciVerbStop:
            device.mode = kMciModeStopped;
            break;
        // Wine's devices take "pause" and "resume" in any state.
        case kMciVerbPause:
            device.mode = kMciModePaused;
            break;
        case kMciVerbResume:
            if (device.mode == kMciModePaused) {
                device.mode = kMciModePlaying;
            }
            break;
        case kMciVerbStatus:
            *reply = mode_name(device.mode);
            break;
        case kMciVerbSetaudio:
            device.volume = command.volume;
            break;
        case kMciVerbClose:
            devices.erase(devices.begin() + static_cast<std::ptrdiff_t>(index));
            break;
        case kMciVerbOpen:
        case kMciVerbNone:
            return kMciErrorUnrecognizedCommand;
    }
    return 0;
}

MCIERROR run_command(const MciCommand& command, char* return_text, UINT return_capacity) {
    if (command.error != 0) {
        return command.error;
    }
    if (command.verb == kMciVerbOpen || command.device_is_all) {
        if (command.argument_error != 0) {
            return command.argument_error;
        }
        MCIERROR error = 0;
        if (command.verb == kMciVerbOpen) {
            error = open_device(command);
        } else {
            devices.clear();
        }
        return error != 0 ? error : write_reply("", return_text, return_capacity);
    }
    const int index = find_device(command.device);
    if (index < 0) {
        // A word that names no open device is taken for a file name, one
        // without an extension that names no device type. "setaudio" is a
        // command of the MPEGVideo driver only, unknown without its device.
        if (command.verb == kMciVerbClose) {
            return kMciErrorInvalidDeviceName;
        }
        return command.verb == kMciVerbSetaudio ? kMciErrorUnrecognizedCommand : kMciErrorExtensionNotFound;
    }
    if (command.argument_error != 0) {
        return command.argument_error;
    }
    const char* reply = "";
    const MCIERROR error = run_on_device(command, static_cast<std::size_t>(index), &reply);
    return error != 0 ? error : write_reply(reply, return_text, return_capacity);
}

}  // namespace

bool mci_same_word(const char* a, std::size_t a_length, const char* b, std::size_t b_length) {
    return a_length == b_length && equal_ignoring_case(a, b, a_length);
}

MciCommand mci_parse_command(const char* text) {
    MciCommand command = {};
    const char* position = text != nullptr ? text : "";
    MciWord word = {};
    MCIERROR error = 0;
    if (!next_word(&position, &word, &error)) {
        command.error = error != 0 ? error : kMciErrorMissingCommandString;
        return command;
    }
    if (error != 0) {
        command.error = error;
        return command;
    }
    command.verb = verb_of(word);
    if (command.verb == kMciVerbNone) {
        command.error = kMciErrorUnrecognizedCommand;
        return command;
    }
    if (!next_word(&position, &command.device, &error)) {
        command.error = error != 0 ? error : kMciErrorMissingDeviceName;
        return command;
    }
    if (error != 0) {
        command.error = error;
        return command;
    }
    command.device_is_all = is_word(command.device, "all");
    // Only "close" takes "all"; "setaudio" is not known for it at all.
    if (command.device_is_all && command.verb != kMciVerbClose) {
        command.error = command.verb == kMciVerbSetaudio ? kMciErrorUnrecognizedCommand : kMciErrorCannotUseAll;
        return command;
    }
    command.argument_error = parse_arguments(position, &command);
    return command;
}

MCIERROR mciSendStringA(const char* command, char* return_text, UINT return_capacity, void*) {
    const MciCommand parsed = mci_parse_command(command);
    const std::lock_guard<std::mutex> hold(devices_lock);
    return run_command(parsed, return_text, return_capacity);
}

BOOL mciGetErrorStringA(MCIERROR error, char* text, UINT capacity) {
    if (text == nullptr || capacity == 0) {
        return 0;
    }
    const char* known = mci_error_text(error);
    if (known == nullptr) {
        text[0] = '\0';
        return 0;
    }
    std::size_t length = std::strlen(known);
    if (length > capacity - 1) {
        length = capacity - 1;
    }
    std::memcpy(text, known, length);
    text[length] = '\0';
    return 1;
}

DWORD GetShortPathNameA(const char* long_path, char* short_path, DWORD capacity) {
    if (long_path == nullptr) {
        return 0;
    }
    struct stat status;
    if (stat(long_path, &status) != 0) {
        return 0;
    }
    const std::size_t length = std::strlen(long_path);
    if (short_path == nullptr || length + 1 > capacity) {
        return static_cast<DWORD>(length + 1);
    }
    std::memmove(short_path, long_path, length + 1);
    return static_cast<DWORD>(length);
}
