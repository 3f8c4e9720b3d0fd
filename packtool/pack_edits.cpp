// Parsing and checking vandrel-pack's edits.
#include "pack_edits.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "settings/config.h"
#include "base/major_version.h"
#include "base/paths.h"
#include "pack_messages.h"
#include "shipped_comments.h"
#include "base/text_rules.h"
#include "utf8.h"
#include "version_info.h"

namespace {

const char* const kLabels[kLastConfigId + 1] = {nullptr,
                                                "readme",
                                                "runtime_library_path",
                                                "min_version",
                                                "max_version",
                                                "vm_arguments",
                                                "leading_arguments",
                                                "trailing_arguments",
                                                "no_runtime_message",
                                                "bad_version_message",
                                                "working_directory",
                                                "single_instance",
                                                "options_file",
                                                "startup_cache",
                                                "separate_process",
                                                "argument_quoting"};

const char* const kVersionKeys[] = {"FileVersion", "ProductVersion", "ProductName",      "FileDescription",
                                    "CompanyName", "LegalCopyright", "OriginalFilename", "InternalName"};

constexpr size_t kValueLimit = 1999;

// A message formatted as printf formats it.
std::string formatted(const char* format, ...) VANDREL_PACK_PRINTF(1, 2);
std::string formatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char text[2048];
    int length = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return length < 0 ? std::string()
                      : std::string(text, size_t(length) < sizeof text ? size_t(length) : sizeof text - 1);
}

// Resolves "\n" and "\\"; every other backslash stays.
std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
            out.push_back(text[i + 1] == 'n' ? '\n' : '\\');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// Whether `value` is one of the words of a launcher's list of choices.
bool is_choice(const std::string& value, const char* choices) {
    for (const char* word = choices; *word != '\0'; word += strlen(word) + 1)
        if (value == word) return true;
    return false;
}

// "blank, never or always" for a launcher's list of choices.
std::string choice_list(const char* choices) {
    std::string list = "blank";
    for (const char* word = choices; *word != '\0'; word += strlen(word) + 1)
        list += (word[strlen(word) + 1] == '\0' ? " or " : ", ") + std::string(word);
    return list;
}

bool fixed_version_key(const std::string& key) { return key == "FileVersion" || key == "ProductVersion"; }

// A path that begins with a %NAME% reference, which the launcher replaces
// with an absolute place such as %LOCALAPPDATA%.
bool begins_with_reference(const std::string& path) {
    return path.size() > 2 && path[0] == '%' && path.find('%', 2) != std::string::npos;
}

const char kArchiveOption[] = "-XX:SharedArchiveFile=";
const char kAutoCreateOption[] = "-XX:+AutoCreateSharedArchive";
const char kIgnoreUnknownOption[] = "-XX:+IgnoreUnrecognizedVMOptions";
const char kQuietOption[] = "-Xlog:cds*=off";

// The fixed version numbers, and the version block's 16-bit lengths.
EditResult check_version_info(const PackEdits& edits, std::string* message) {
    VersionInfo version{};
    for (const auto& entry : edits.version) {
        uint16_t quad[4];
        if (fixed_version_key(entry.first) && !parse_version_quad(entry.second.c_str(), quad)) {
            *message = formatted(PACK_MSG_BAD_FIXED_VERSION, entry.first.c_str(), entry.second.c_str());
            return kEditRefused;
        }
        set_version_string(&version, widen(entry.first), widen(entry.second));
    }
    std::vector<unsigned char> block;
    if (!edits.version.empty() && !build_version_info(version, &block)) {
        *message = formatted(PACK_MSG_VERSION_TOO_LONG, static_cast<unsigned long>(kVersionBlockMaxBytes));
        return kEditRefused;
    }
    return kEditOk;
}

void keep_unless_replaced(char* item, void* context) {
    // An earlier archive choice gives way; the options added below are not repeated.
    std::string text = item;
    bool replaced = text.compare(0, strlen(kArchiveOption), kArchiveOption) == 0 || text == kAutoCreateOption ||
                    text == "-XX:-AutoCreateSharedArchive" || text == kIgnoreUnknownOption || text == kQuietOption;
    if (!replaced) static_cast<std::vector<std::string>*>(context)->push_back(text);
}

}  // namespace

int config_id_of_label(const std::string& label) {
    for (int id = kConfigRuntimeLibraryPath; id <= kLastConfigId; ++id)
        if (label == kLabels[id]) return id;
    return 0;
}

const char* config_label_of_id(int id) { return id >= kConfigReadme && id <= kLastConfigId ? kLabels[id] : ""; }

EditResult parse_set_argument(const char* argument, PackEdits* edits, std::string* message) {
    if (!valid_utf8(argument)) {
        *message = formatted(PACK_MSG_NOT_UTF8, "--set");
        return kEditRefused;
    }
    const char* equals = strchr(argument, '=');
    std::string label = equals ? std::string(argument, equals) : std::string(argument);
    int id = equals ? config_id_of_label(label) : 0;
    if (id == 0) {
        std::string labels = kLabels[kConfigRuntimeLibraryPath];
        for (int known = kConfigRuntimeLibraryPath + 1; known <= kLastConfigId; ++known)
            labels = labels + ", " + kLabels[known];
        *message = formatted(PACK_MSG_UNKNOWN_VALUE, label.c_str(), labels.c_str());
        return kEditUsage;
    }
    edits->has_value[id] = true;
    edits->values[id] =
        id >= kConfigVmArguments && id <= kConfigBadVersionMessage ? unescape(equals + 1) : std::string(equals + 1);
    return kEditOk;
}

EditResult parse_version_argument(const char* argument, PackEdits* edits, std::string* message) {
    if (!valid_utf8(argument)) {
        *message = formatted(PACK_MSG_NOT_UTF8, "--version-info");
        return kEditRefused;
    }
    const char* equals = strchr(argument, '=');
    std::string key = equals ? std::string(argument, equals) : std::string(argument);
    bool known = false;
    for (const char* k : kVersionKeys) known = known || key == k;
    if (!equals || !known) {
        *message = formatted(PACK_MSG_UNKNOWN_VERSION_KEY, key.c_str());
        return kEditUsage;
    }
    for (auto& entry : edits->version)
        if (entry.first == key) {
            entry.second = equals + 1;
            return kEditOk;
        }
    edits->version.emplace_back(key, equals + 1);
    return kEditOk;
}

EditResult check_edits(const PackEdits& edits, std::string* message, bool utf8_code_page) {
    for (int id = kConfigRuntimeLibraryPath; id <= kLastConfigId; ++id) {
        if (!edits.has_value[id]) continue;
        const std::string& value = edits.values[id];
        const char* label = kLabels[id];
        // Each UTF-16 unit is one byte in a single-byte ANSI code page.
        size_t bytes = utf8_code_page ? value.size() : widen(value).size();
        if (bytes > kValueLimit) {
            *message = formatted(PACK_MSG_VALUE_TOO_LONG, label, static_cast<unsigned long>(bytes));
            return kEditRefused;
        }
        if (bytes == kValueLimit && value.find('#') != std::string::npos) {
            *message = formatted(PACK_MSG_VALUE_HASH_TOO_LONG, label);
            return kEditRefused;
        }
        if (id == kConfigNoRuntimeMessage && !is_safe_message_format(value.c_str(), 0)) {
            *message = PACK_MSG_BAD_NO_RUNTIME_MESSAGE;
            return kEditRefused;
        }
        if (id == kConfigBadVersionMessage && !value.empty() && !is_safe_message_format(value.c_str(), 1)) {
            *message = PACK_MSG_BAD_VERSION_MESSAGE;
            return kEditRefused;
        }
        if (id == kConfigStartupCache && !value.empty() && !is_absolute_path(value.c_str(), kWindowsPaths) &&
            !is_absolute_path(value.c_str(), kPosixPaths) && !begins_with_reference(value)) {
            *message = formatted(PACK_MSG_BAD_STARTUP_CACHE, value.c_str());
            return kEditRefused;
        }
        const char* choices = id == kConfigSeparateProcess   ? kSeparateProcessChoices
                              : id == kConfigArgumentQuoting ? kArgumentQuotingChoices
                                                             : nullptr;
        if (choices != nullptr && !value.empty() && !is_choice(value, choices)) {
            *message = formatted(PACK_MSG_BAD_CHOICE, label, value.c_str(), choice_list(choices).c_str());
            return kEditRefused;
        }
        if ((id == kConfigMinVersion || id == kConfigMaxVersion) && !value.empty() &&
            !(parse_major_version(value.c_str()) > 0)) {
            *message = formatted(PACK_MSG_BAD_VERSION_BOUND, label, value.c_str());
            return kEditRefused;
        }
    }
    const std::string& archive = edits.class_data_archive;
    if (edits.class_data_auto && archive.empty()) {
        *message = PACK_MSG_AUTO_NEEDS_ARCHIVE;
        return kEditUsage;
    }
    if (!valid_utf8(archive.c_str())) {
        *message = formatted(PACK_MSG_NOT_UTF8, "--class-data-archive");
        return kEditRefused;
    }
    bool placed = is_absolute_path(archive.c_str(), kWindowsPaths) || begins_with_reference(archive);
    if (!archive.empty() && (!placed || archive.find_first_of("\r\n") != std::string::npos)) {
        *message = formatted(PACK_MSG_BAD_CLASS_DATA_ARCHIVE, archive.c_str());
        return kEditRefused;
    }
    return check_version_info(edits, message);
}

std::string with_class_data_options(const std::string& vm_arguments, const PackEdits& edits) {
    // The items as the launcher splits them.
    std::vector<std::string> items;
    std::vector<char> text(vm_arguments.begin(), vm_arguments.end());
    text.push_back('\0');
    split_config_lines(text.data(), keep_unless_replaced, &items);
    items.push_back(kIgnoreUnknownOption);
    if (edits.class_data_auto) items.push_back(kAutoCreateOption);
    items.push_back(kArchiveOption + edits.class_data_archive);
    items.push_back(kQuietOption);
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) out += (i == 0 ? "" : "\n") + items[i];
    return out;
}

std::string default_startup_cache(bool windows, const std::string& destination) {
    size_t slash = destination.find_last_of(windows ? "\\/:" : "/");
    std::string name = destination.substr(slash == std::string::npos ? 0 : slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    for (char& c : name)
        if (c == '%') c = '_';  // no reference in the name
    return windows ? "%LOCALAPPDATA%\\" + name : "%XDG_CACHE_HOME%/" + name;
}

bool under_program_files(const std::string& path) {
    std::string lower = path;
    for (char& c : lower) c = lower_ascii(c);
    return lower.find("program files") != std::string::npos || lower.find("%programfiles") != std::string::npos;
}

std::u16string stored_config_text(int id, const std::string& value) {
    return widen(value) + widen(kShippedComments[id]);
}

bool valid_utf8(const char* text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    size_t left = strlen(text);
    uint32_t code;
    for (size_t length; left > 0; p += length, left -= length)
        if ((length = decode_utf8(p, left, &code)) == 0) return false;
    return true;
}

std::string escaped_for_terminal(const std::string& text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    std::string out;
    uint32_t code = 0;
    for (size_t i = 0, length; i < text.size(); i += length) {
        length = decode_utf8(p + i, text.size() - i, &code);
        if (length > 0 && code >= 0x20 && code != 0x7F && (code < 0x80 || code >= 0xA0)) {
            out.append(text, i, length);
            continue;
        }
        char escape[8];
        length = length == 0 ? 1 : length;
        if (length == 1 && p[i] == '\n')
            out += "\\n";
        else if (length == 1 && p[i] == '\r')
            out += "\\r";
        else if (length == 1 && p[i] == '\t')
            out += "\\t";
        else
            for (size_t k = 0; k < length; ++k)
                out.append(escape, size_t(snprintf(escape, sizeof escape, "\\x%02X", p[i + k])));
    }
    return out;
}

std::u16string widen(const std::string& text) {
    std::u16string out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0, length; i < text.size(); i += length) {
        uint32_t code = 0;
        length = decode_utf8(p + i, text.size() - i, &code);
        if (length == 0) {
            out.push_back(char16_t(p[i]));  // Latin-1
            length = 1;
        } else if (code >= 0x10000) {
            out.push_back(char16_t(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(char16_t(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(char16_t(code));
        }
    }
    return out;
}

std::string narrow(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        append_utf8(&out, code);
    }
    return out;
}

std::u16string value_after_comment_rule(const std::u16string& stored) {
    std::string text = narrow(stored.substr(0, kValueLimit));
    return widen(text.substr(0, config_value_length(text.data(), text.size())));
}
