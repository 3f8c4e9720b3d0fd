#include "settings/expansion.h"

#include <cstring>

#include "settings/config.h"
#include "base/diagnostics.h"
#include "base/messages.h"
#include "platform/platform.h"
#include "base/paths.h"

namespace {

// The text a reference's name stands for, or null when it names nothing.
const char* lookup(const char* name, char* scratch, int capacity) {
    if (strcmp(name, "EXEDIR") == 0) return get_module_directory(scratch, capacity) ? scratch : nullptr;
    return strcmp(name, "EXEFILE") == 0 ? (get_module_file(scratch, capacity) ? scratch : nullptr) : platform.get_env(name);
}

struct ItemExpansion {
    char* out;
    int capacity;
    int used;
    bool failed;
    ConfigItemHandler handler;
    void* context;
};

void expand_item(char* item, void* context) {
    ItemExpansion* e = static_cast<ItemExpansion*>(context);
    if (e->failed) return;
    char* expanded = e->out + e->used;
    int length = e->used < e->capacity ? expand_references(item, expanded, e->capacity - e->used) : -1;
    e->failed = length < 0;
    if (e->failed) return;
    e->used += length + 1;
    e->handler(expanded, e->context);
}

}  // namespace

int expand_items(char* text, char* out, int capacity, ConfigItemHandler handler, void* context) {
    ItemExpansion e = {out, capacity, 0, false, handler, context};
    split_config_lines(text, expand_item, &e);
    return e.failed ? -1 : e.used;
}

int read_expanded_items(int id, char* buffer, int capacity, ConfigItemHandler handler, void* context) {
    char text[kConfigValueCapacity];
    if (read_config_string(id, text, sizeof text) == 0) return 0;
    int used = expand_items(text, buffer, capacity, handler, context);
    if (used < 0) print_error(MSG_EXPANDED_TOO_LONG, id);
    return used;
}

int expand_references(char* text, char* out, int capacity) {
    int used = 0;
    for (char* p = text; *p != '\0'; ++p) {
        const char* piece = p;
        size_t length = 1;
        char found[kPathCapacity];
        char* end = *p == '%' ? strchr(p + 1, '%') : nullptr;
        if (end != nullptr) {
            *end = '\0';  // the name, for as long as it is looked up
            // "%%" is one "%"; a name that stands for nothing stays as written.
            const char* value = end == p + 1 ? "%" : lookup(p + 1, found, sizeof found);
            *end = '%';
            if (value != nullptr) {
                piece = value;
                length = strlen(value);
                p = end;
            }
        }
        if (length >= size_t(capacity - used)) return -1;
        memcpy(out + used, piece, length);
        used += int(length);
    }
    out[used] = '\0';
    return used;
}

int read_expanded_config(int id, char* buffer, int capacity) {
    if (read_config_string(id, buffer, capacity) == 0) return 0;
    char expanded[kConfigValueCapacity];
    int length = expand_references(buffer, expanded, capacity < kConfigValueCapacity ? capacity : kConfigValueCapacity);
    if (length < 0) {
        print_error(MSG_EXPANDED_TOO_LONG, id);
        return -1;
    }
    memcpy(buffer, expanded, size_t(length) + 1);
    return length;
}

const char* program_stem(char* buffer, int capacity) {
    if (!get_module_file(buffer, capacity)) return nullptr;
    char* dot = strrchr(buffer, '.');
    if (dot != nullptr && strchr(dot, kPathSeparator) == nullptr) *dot = '\0';
    const char* name = strrchr(buffer, kPathSeparator);
    return name != nullptr ? name + 1 : buffer;
}
