#include "support/platform_fakes.h"

#include <cstring>
#include <map>

namespace {

std::map<unsigned, std::string> fake_strings;
bool fake_fall_through = false;
int (*real_load_string)(unsigned, char*, int) = nullptr;

int fake_load_string(unsigned id, char* buffer, int capacity) {
    auto entry = fake_strings.find(id);
    if (entry == fake_strings.end()) {
        if (fake_fall_through) return real_load_string(id, buffer, capacity);
        buffer[0] = '\0';
        return 0;
    }
    size_t n = entry->second.size();
    if (n > size_t(capacity - 1)) n = size_t(capacity - 1);
    memcpy(buffer, entry->second.data(), n);
    buffer[n] = '\0';
    return int(n);
}

}  // namespace

FakeStringTable::FakeStringTable(bool fall_through) {
    fake_strings.clear();
    fake_fall_through = fall_through;
    real_load_string = platform.load_string;
    platform.load_string = fake_load_string;
}

FakeStringTable::~FakeStringTable() { fake_strings.clear(); }

void FakeStringTable::set(unsigned id, const std::string& text) { fake_strings[id] = text; }

void FakeStringTable::clear(unsigned id) { fake_strings.erase(id); }
