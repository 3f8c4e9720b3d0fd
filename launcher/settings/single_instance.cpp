#include "settings/single_instance.h"

#include "settings/config.h"
#include "base/diagnostics.h"
#include "settings/expansion.h"
#include "base/messages.h"
#include "platform/platform.h"
#include "runtime/runtime.h"

bool claim_single_instance() {
    char name[kConfigValueCapacity];
    int length = read_expanded_config(kConfigSingleInstance, name, sizeof name);
    if (length <= 0) return length == 0;
    if (platform.hold_instance_lock(name) != 0) return true;
    char path[kPathCapacity];
    const char* program = program_stem(path, sizeof path);
    print_error(MSG_ALREADY_RUNNING, program != nullptr ? program : name);
    return false;
}
