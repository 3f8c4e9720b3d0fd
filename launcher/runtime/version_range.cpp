#include "runtime/version_range.h"

#include <cstring>

#include "base/diagnostics.h"
#include "base/major_version.h"
#include "base/messages.h"
#include "settings/config.h"

namespace {

// The first version there was: a lower minimum bound is raised to it.
constexpr float kFirstJavaVersion = 2;  // 1.2
// Room for a bound as the message shows it: longer texts are no version.
constexpr int kVersionTextCapacity = 32;

// Reads bound `id` (kConfigMinVersion or kConfigMaxVersion) into `bound`,
// which keeps its value when the bound is blank; a minimum below the first
// Java version is raised to it. False, with the message printed, when the
// bound is set but is no version.
bool read_version_bound(ConfigValueId id, float* bound) {
    char text[kConfigValueCapacity];
    if (read_config_string(id, text, sizeof text) == 0) return true;
    const bool is_minimum = id == kConfigMinVersion;
    // Checked as written: "1.1" is a version, "0" and "1.10" are not.
    if (!(parse_major_version(text) > 0)) {
        print_error(is_minimum ? MSG_BAD_MIN_VERSION : MSG_BAD_MAX_VERSION, text);
        return false;
    }
    *bound = comparable_major_version(text);
    if (is_minimum && *bound < kFirstJavaVersion) *bound = kFirstJavaVersion;
    return true;
}

}  // namespace

// Checks the registered version against values 3 and 4, the minimum first.
// A version outside counts only when value 9 is set; a bound that is no
// version has its message printed.
BoundCheck check_registered_version(const char* version_text) {
    float current = comparable_major_version(version_text);
    const bool enforced = version_range_enforced();
    VersionRange range = kAnyVersion;
    if (!read_version_bound(kConfigMinVersion, &range.minimum)) return kBadBound;
    if (enforced && current < range.minimum) return kOutsideBound;
    if (!read_version_bound(kConfigMaxVersion, &range.maximum)) return kBadBound;
    return enforced && current > range.maximum ? kOutsideBound : kWithinBound;
}

bool read_version_range(VersionRange* range) {
    *range = kAnyVersion;
    return read_version_bound(kConfigMinVersion, &range->minimum) &&
           read_version_bound(kConfigMaxVersion, &range->maximum);
}

void print_versions_wanted(const char* message) {
    if (message[0] != '\0' && message[strlen(message) - 1] != '\n') print_error("\n");
    // Values 3 and 4; a bound that is no version has a message of its own.
    char bounds[2][kVersionTextCapacity];
    bool has[2];
    for (int i = 0; i < 2; ++i)
        has[i] = read_config_string(kConfigMinVersion + i, bounds[i], kVersionTextCapacity) != 0 &&
                 parse_major_version(bounds[i]) > 0;
    if (has[0] || has[1])
        print_error(MSG_VERSIONS_WANTED, bounds[has[0] ? 0 : 1],
                    has[0] && has[1] ? MSG_VERSIONS_TO
                    : has[0]         ? MSG_VERSIONS_OR_LATER
                                     : MSG_VERSIONS_OR_EARLIER,
                    has[0] && has[1] ? bounds[1] : "");
}

bool version_range_enforced() {
    char message[kConfigValueCapacity];
    return read_config_string(kConfigBadVersionMessage, message, sizeof message) != 0;
}
