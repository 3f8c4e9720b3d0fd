// Replacing entries of the launcher's platform table in tests that link the
// core: a restorer for any entries a test swaps, and a string table served
// from memory.
#ifndef VANDREL_TESTS_SUPPORT_PLATFORM_FAKES_H
#define VANDREL_TESTS_SUPPORT_PLATFORM_FAKES_H

#include <string>

#include "platform/platform.h"

// Restores the platform table as it was at construction.
class PlatformRestorer {
public:
    PlatformRestorer() : saved_(platform) {}
    ~PlatformRestorer() { platform = saved_; }
    PlatformRestorer(const PlatformRestorer&) = delete;
    PlatformRestorer& operator=(const PlatformRestorer&) = delete;

private:
    PlatformApi saved_;
};

// A string table served from memory instead of the executable's: entries set
// with set() are returned as load_string returns them (cut to capacity - 1
// and terminated); the others read as absent, or from the real table when
// `fall_through` is true. Installed into `platform` until destruction.
class FakeStringTable {
public:
    explicit FakeStringTable(bool fall_through);
    ~FakeStringTable();
    void set(unsigned id, const std::string& text);
    void clear(unsigned id);

private:
    PlatformRestorer restorer_;
};

#endif
