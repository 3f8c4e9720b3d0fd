// Fuzzes the comment rule and the line splitting of configuration values:
// the input is served as the text of value 5.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/config.h"
#include "platform/platform.h"

static std::string g_text;

static int serve_text(unsigned, char* buffer, int capacity) {
    size_t n = g_text.size() < size_t(capacity - 1) ? g_text.size() : size_t(capacity - 1);
    memcpy(buffer, g_text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(strlen(buffer));
}

struct Collected {
    int items;
    size_t bytes;
};

static void collect(char* item, void* context) {
    Collected* c = static_cast<Collected*>(context);
    if (strchr(item, '\n') != nullptr || strchr(item, '\r') != nullptr) abort();
    ++c->items;
    c->bytes += strlen(item);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_text.assign(reinterpret_cast<const char*>(data), size);
    platform.load_string = serve_text;
    char buffer[kConfigValueCapacity];
    int length = read_config_string(kConfigVmArguments, buffer, sizeof buffer);
    if (length < 0 || length >= kConfigValueCapacity) abort();
    if (length == 0) {
        if (!g_text.empty() && g_text[0] != '\0' && g_text[0] != '#') abort();
        return 0;
    }
    // The value is the input's first 1999 bytes (up to a NUL) before their last "#".
    std::string expected = g_text.substr(0, kConfigValueCapacity - 1).c_str();
    size_t comment = expected.rfind('#');
    if (comment != std::string::npos) expected.resize(comment);
    if (expected != buffer) abort();
    size_t line_feeds = 0;
    for (int i = 0; i < length; ++i) line_feeds += buffer[i] == '\n';
    Collected c = {0, 0};
    int items = split_config_lines(buffer, collect, &c);
    if (items != c.items) abort();
    if (buffer[0] != '#' && (size_t(items) < line_feeds || size_t(items) > line_feeds + 1)) abort();
    if (c.bytes > size_t(length)) abort();
    return 0;
}
