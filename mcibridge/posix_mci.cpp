#include "posix_mci.h"

#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "mci_error_texts.h"

namespace {

enum MciMode {
    mci_mode_stopped,
    mci_mode_playing,
    mci_mode_paused,
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

char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

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
            *error = mci_error_no_closing_quote;
            *position = start + std::strlen(start);
            return false;
        }
        word->text = start;
        word->length = static_cast<std::size_t>(end - start);
        p = end + 1;
        if (*p != '\0' && !is_space(*p)) {
            *error = mci_error_extra_characters;
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
        return error != 0 ? error : mci_error_missing_parameter;
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
        if (c < '0' || c > '9') {
            return mci_error_bad_integer;
        }
        result = result * 10 + static_cast<std::uint64_t>(c - '0');
        if (result > 0xFFFFFFFFu) {
            return mci_error_bad_integer;
        }
    }
    *number = static_cast<std::uint32_t>(result);
    return 0;
}

MciVerb verb_of(const MciWord& word) {
    if (is_word(word, "open")) return mci_verb_open;
    if (is_word(word, "play")) return mci_verb_play;
    if (is_word(word, "stop")) return mci_verb_stop;
    if (is_word(word, "pause")) return mci_verb_pause;
    if (is_word(word, "resume")) return mci_verb_resume;
    if (is_word(word, "status")) return mci_verb_status;
    if (is_word(word, "setaudio")) return mci_verb_setaudio;
    if (is_word(word, "close")) return mci_verb_close;
    return mci_verb_none;
}

// Parses the words behind the device name; the first error found is the result.
MCIERROR parse_arguments(const char* position, MciCommand* command) {
    bool seen_wait = false;
    bool seen_notify = false;
    bool seen_type = false;
    bool seen_alias = false;
    bool seen_repeat = false;
    MciWord word = {};
    MCIERROR error = 0;
    while (next_word(&position, &word, &error)) {
        if (error != 0) {
            return error;
        }
        bool* seen = nullptr;
        MCIERROR word_error = 0;
        if (is_word(word, "wait")) {
            seen = &seen_wait;
        } else if (is_word(word, "notify")) {
            seen = &seen_notify;
        } else if (command->verb == mci_verb_open && is_word(word, "type")) {
            seen = &seen_type;
            word_error = next_value(&position, &command->type);
        } else if (command->verb == mci_verb_open && is_word(word, "alias")) {
            seen = &seen_alias;
            word_error = next_value(&position, &command->alias);
        } else if (command->verb == mci_verb_play && is_word(word, "from")) {
            seen = &command->has_from;
            if (!command->has_from) {
                word_error = next_integer(&position, &command->from);
            }
        } else if (command->verb == mci_verb_play && is_word(word, "repeat")) {
            seen = &seen_repeat;
        } else if (command->verb == mci_verb_status && is_word(word, "mode")) {
            if (command->status_item != mci_status_none) {
                return mci_error_duplicate_flags;
            }
            command->status_item = mci_status_mode;
            continue;
        } else if (command->verb == mci_verb_setaudio && is_word(word, "volume")) {
            seen = &command->has_volume;
            if (!command->has_volume) {
                MciWord to = {};
                word_error = next_value(&position, &to);
                if (word_error == 0 && !is_word(to, "to")) {
                    word_error = mci_error_missing_parameter;
                }
                if (word_error == 0) {
                    word_error = next_integer(&position, &command->volume);
                }
                if (word_error == 0 && command->volume > kMaxVolume) {
                    word_error = mci_error_out_of_range;
                }
            }
        } else {
            return mci_error_unrecognized_keyword;
        }
        if (*seen) {
            return mci_error_duplicate_flags;
        }
        *seen = true;
        if (word_error != 0) {
            return word_error;
        }
    }
    if (error != 0) {
        return error;
    }
    command->repeat = seen_repeat;
    if (command->verb == mci_verb_status && command->status_item == mci_status_none) {
        return mci_error_missing_parameter;
    }
    if (command->verb == mci_verb_setaudio && !command->has_volume) {
        return mci_error_missing_parameter;
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
        return mci_error_param_overflow;
    }
    std::memcpy(return_text, reply, length + 1);
    return 0;
}

MCIERROR open_device(const MciCommand& command) {
    // Wine's MPEGVideo driver reports a file it cannot play, a missing one
    // too, as a failure to build its player.
    if (!file_exists(command.device)) {
        return mci_error_internal;
    }
    const bool has_alias = command.alias.length != 0;
    const MciWord& key = has_alias ? command.alias : command.device;
    if (find_device(key) >= 0) {
        return has_alias ? mci_error_duplicate_alias : mci_error_device_open;
    }
    MciDevice device;
    device.alias.assign(key.text, key.length);
    device.path.assign(command.device.text, command.device.length);
    device.type.assign(command.type.text != nullptr ? command.type.text : "", command.type.length);
    device.mode = mci_mode_stopped;
    device.volume = kMaxVolume;
    devices.push_back(device);
    return 0;
}

const char* mode_name(MciMode mode) {
    switch (mode) {
        case mci_mode_playing:
            return "playing";
        case mci_mode_paused:
            return "paused";
        case mci_mode_stopped:
            break;
    }
    return "stopped";
}

MCIERROR run_command(const MciCommand& command, char* return_text, UINT return_capacity) {
    if (command.error != 0) {
        return command.error;
    }
    if (command.verb == mci_verb_open) {
        if (command.argument_error != 0) {
            return command.argument_error;
        }
        const MCIERROR error = open_device(command);
        return error != 0 ? error : write_reply("", return_text, return_capacity);
    }
    if (command.device_is_all) {
        if (command.argument_error != 0) {
            return command.argument_error;
        }
        devices.clear();
        return write_reply("", return_text, return_capacity);
    }
    const int index = find_device(command.device);
    if (index < 0) {
        // A word that names no open device is taken for a file name, one
        // without an extension that names no device type. "setaudio" is a
        // command of the MPEGVideo driver only, unknown without its device.
        if (command.verb == mci_verb_close) {
            return mci_error_invalid_device_name;
        }
        return command.verb == mci_verb_setaudio ? mci_error_unrecognized_command : mci_error_extension_not_found;
    }
    if (command.argument_error != 0) {
        return command.argument_error;
    }
    MciDevice& device = devices[static_cast<std::size_t>(index)];
    const char* reply = "";
    switch (command.verb) {
        case mci_verb_play:
            device.mode = mci_mode_playing;
            break;
        case mci_verb_stop:
            device.mode = mci_mode_stopped;
            break;
        // Wine's devices take "pause" and "resume" in any state.
        case mci_verb_pause:
            device.mode = mci_mode_paused;
            break;
        case mci_verb_resume:
            if (device.mode == mci_mode_paused) {
                device.mode = mci_mode_playing;
            }
            break;
        case mci_verb_status:
            reply = mode_name(device.mode);
            break;
        case mci_verb_setaudio:
            device.volume = command.volume;
            break;
        case mci_verb_close:
            devices.erase(devices.begin() + index);
            break;
        case mci_verb_open:
        case mci_verb_none:
            return mci_error_unrecognized_command;
    }
    return write_reply(reply, return_text, return_capacity);
}

}  // namespace

bool mci_same_word(const char* a, std::size_t a_length, const char* b, std::size_t b_length) {
    if (a_length != b_length) {
        return false;
    }
    for (std::size_t i = 0; i < a_length; ++i) {
        if (lower_ascii(a[i]) != lower_ascii(b[i])) {
            return false;
        }
    }
    return true;
}

MciCommand mci_parse_command(const char* text) {
    MciCommand command = {};
    const char* position = text != nullptr ? text : "";
    MciWord word = {};
    MCIERROR error = 0;
    if (!next_word(&position, &word, &error)) {
        command.error = error != 0 ? error : mci_error_missing_command_string;
        return command;
    }
    if (error != 0) {
        command.error = error;
        return command;
    }
    command.verb = verb_of(word);
    if (command.verb == mci_verb_none) {
        command.error = mci_error_unrecognized_command;
        return command;
    }
    if (!next_word(&position, &command.device, &error)) {
        command.error = error != 0 ? error : mci_error_missing_device_name;
        return command;
    }
    if (error != 0) {
        command.error = error;
        return command;
    }
    command.device_is_all = is_word(command.device, "all");
    // Only "close" takes "all"; "setaudio" is not known for it at all.
    if (command.device_is_all && command.verb != mci_verb_close) {
        command.error = command.verb == mci_verb_setaudio ? mci_error_unrecognized_command : mci_error_cannot_use_all;
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
