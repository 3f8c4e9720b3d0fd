#include "runtime/registry_text.h"

#include <cstring>

#include "base/paths.h"
#include "base/text_rules.h"

const char kLegacyRegistryKey[] = "Software\\JavaSoft\\Java Runtime Environment";

namespace {

// Reads a text value (with `expandable`, also an expandable one) whose
// stored size is below `capacity` into `buffer`, terminated; false for any
// other value. `type` tells which of the two it was.
bool query_stored_text(RegistryKey key, const char* name, bool expandable, unsigned long* type, char* buffer,
                       int capacity) {
    unsigned long size = 0;
    if (!platform.registry_query(key, name, type, nullptr, &size)) return false;
    if (!(*type == kRegistryTypeText || (expandable && *type == kRegistryTypeExpandableText)) || capacity <= 0 ||
        size >= static_cast<unsigned long>(capacity))
        return false;
    if (!platform.registry_query(key, name, type, reinterpret_cast<unsigned char*>(buffer), &size)) return false;
    // A text stored without its terminator is not terminated by the query.
    buffer[size] = '\0';
    return true;
}

}  // namespace

bool query_registry_text(RegistryKey key, const char* name, char* buffer, int capacity) {
    unsigned long type = 0;
    return query_stored_text(key, name, false, &type, buffer, capacity);
}

bool query_registry_path(RegistryKey key, const char* name, char* buffer, int capacity) {
    unsigned long type = 0;
    char stored[kPathCapacity];
    if (!query_stored_text(key, name, true, &type, stored, capacity < kPathCapacity ? capacity : kPathCapacity))
        return false;
    if (type == kRegistryTypeText) return copy_text(stored, strlen(stored), buffer, capacity);
    return platform.expand_environment(stored, buffer, capacity);
}
