#include "base/atomic_file.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/diagnostics.h"
#include "platform/platform.h"

namespace {

// Room for a destination once its links are followed.
constexpr unsigned long kTargetCapacity = 4096;
// Names tried before giving up: each attempt fails only when its name
// exists (or the directory cannot be written, when all of them fail).
constexpr int kNameAttempts = 64;

const char kNameCharacters[] = "0123456789abcdefghijklmnopqrstuvwxyz";

// The temporary file of the one file being written, removed should the
// process end through exit() before it is committed or abandoned.
const char* pending_temporary = nullptr;

void remove_pending_temporary() {
    if (pending_temporary != nullptr) platform.remove_file(pending_temporary);
}

void set_pending(const char* temporary) {
    static bool registered = false;
    if (!registered) registered = atexit(remove_pending_temporary) == 0;
    pending_temporary = temporary;
    platform.remove_on_interrupt(temporary);
}

bool is_separator(char c) { return c == '/' || c == kPathSeparator || (kPathSeparator == '\\' && c == ':'); }

uint64_t mix(uint64_t x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// Differs between processes started at once (the stack's address) and
// between seconds.
uint64_t name_seed() {
    int local = 0;
    return mix(static_cast<uint64_t>(time(nullptr)) ^ (reinterpret_cast<uintptr_t>(&local) << 16) ^
               static_cast<uint64_t>(clock()));
}

void clear(AtomicFile* file) {
    free(file->temporary);
    free(file->target);
    file->stream = nullptr;
    file->temporary = nullptr;
    file->target = nullptr;
}

bool open_in_place(AtomicFile* file, const char* destination) {
    file->stream = platform.file_open(destination, "wb");
    if (file->stream == nullptr) return false;
    file->target = copy_or_exit(destination);
    return true;
}

}  // namespace

bool temporary_name_for(const char* target, unsigned long long number, char* name, size_t capacity) {
    size_t length = strlen(target);
    size_t base = length;
    while (base > 0 && !is_separator(target[base - 1])) --base;
    if (base == length || length + 1 > capacity) return false;
    memcpy(name, target, base);
    // The remainder of 32 bits: a 64-bit one costs a library routine on 32-bit systems.
    for (size_t i = base; i < length; ++i)
        name[i] = kNameCharacters[static_cast<uint32_t>(mix(number * 131 + i) >> 32) % 36];
    if (length - base > 1) name[base] = '~';
    name[length] = '\0';
    return true;
}

bool atomic_file_open(AtomicFile* file, const char* destination) {
    file->stream = nullptr;
    file->temporary = nullptr;
    file->target = nullptr;
    file->replaces = false;
    if (destination[0] == '\0') return false;
    // Nothing can be swapped in for a device, a FIFO or a directory.
    if (platform.names_special_file(destination)) return open_in_place(file, destination);
    char* target = static_cast<char*>(allocate_or_exit(static_cast<int>(kTargetCapacity)));
    if (!platform.link_target(destination, target, kTargetCapacity)) {
        free(target);
        return open_in_place(file, destination);
    }
    int writable = platform.probe_writable(target);
    if (writable < 0) {
        free(target);
        return false;
    }
    size_t capacity = strlen(target) + 1;
    char* temporary = static_cast<char*>(allocate_or_exit(static_cast<int>(capacity)));
    uint64_t seed = name_seed();
    FILE* stream = nullptr;
    for (int attempt = 0; stream == nullptr && attempt < kNameAttempts; ++attempt) {
        if (!temporary_name_for(target, seed + static_cast<uint64_t>(attempt), temporary, capacity)) break;
        stream = platform.file_create_new(temporary);
    }
    if (stream == nullptr) {
        free(target);
        free(temporary);
        return false;
    }
    file->stream = stream;
    file->temporary = temporary;
    file->target = target;
    file->replaces = writable > 0;
    set_pending(temporary);
    return true;
}

bool atomic_file_commit(AtomicFile* file) {
    bool written = !ferror(file->stream) && fflush(file->stream) == 0;
    if (file->temporary == nullptr) {
        written = platform.file_close(file->stream) == 0 && written;
        file->stream = nullptr;
        if (written) clear(file);
        return written;
    }
    if (written && file->replaces) platform.adopt_attributes(file->stream, file->target);
    written = platform.file_close(file->stream) == 0 && written;
    file->stream = nullptr;
    if (!written || !platform.replace_file(file->temporary, file->target)) return false;
    set_pending(nullptr);
    clear(file);
    return true;
}

bool atomic_file_abandon(AtomicFile* file) {
    if (file->stream != nullptr) platform.file_close(file->stream);
    file->stream = nullptr;
    bool removed = file->temporary == nullptr || platform.remove_file(file->temporary);
    set_pending(nullptr);
    clear(file);
    return removed;
}
