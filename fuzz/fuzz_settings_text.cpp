// Fuzzes what the settings read from configuration values and options files:
// reference expansion never writes past its room, and gives back the text
// unchanged when it holds no "%"; the items of a value or options file,
// expanded one by one, fill exactly the room they report and hold no line
// feed of the text; a version marker yields the line, a part of it after its
// "]" and its blanks, or nothing; a family is -1 only without a leading digit.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/expansion.h"
#include "settings/option_markers.h"

namespace {

struct Items {
    size_t bytes;
    bool line_feed;
};

void count_item(char* item, void* context) {
    Items* items = static_cast<Items*>(context);
    items->bytes += strlen(item) + 1;
    items->line_feed = items->line_feed || strchr(item, '\n') != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();
    int capacity = size > 0 ? 1 + data[0] % 64 : 1;
    std::string out(size_t(capacity) + 8, '\x7f');
    std::string copy = text;
    int length = expand_references(&copy[0], &out[0], capacity);
    if (copy != text) abort();
    if (length >= capacity || out.compare(size_t(capacity), 8, std::string(8, '\x7f')) != 0) abort();
    if (length >= 0 && strlen(out.c_str()) != size_t(length)) abort();
    if (text.find('%') == std::string::npos && (length >= 0 ? out.c_str() != text : int(text.size()) < capacity))
        abort();
    std::string lines = text;
    std::string room(size_t(capacity) * 16 + 8, '\x7f');
    Items items = {0, false};
    int used = expand_items(&lines[0], &room[0], capacity * 16, count_item, &items);
    if (room.compare(size_t(capacity) * 16, 8, std::string(8, '\x7f')) != 0) abort();
    if (used >= 0 && (size_t(used) != items.bytes || items.line_feed)) abort();
    std::string line = text;
    for (int family : {0, 8, 25}) {
        const char* item = apply_version_marker(&line[0], family);
        const char* marker_end = item;
        while (marker_end != nullptr && marker_end > line.c_str() && (marker_end[-1] == ' ' || marker_end[-1] == '\t'))
            --marker_end;
        if (item != nullptr && item != line.c_str() && (marker_end <= line.c_str() || marker_end[-1] != ']')) abort();
        if (item != nullptr && item != line.c_str() && family == 0) abort();
    }
    int family = family_of(text.c_str());
    if ((family < 0) != !(text[0] >= '0' && text[0] <= '9')) abort();
    return 0;
}
