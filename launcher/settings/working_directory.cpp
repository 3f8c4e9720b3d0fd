#include "settings/working_directory.h"

#include "settings/config.h"
#include "base/diagnostics.h"
#include "settings/expansion.h"
#include "base/messages.h"
#include "platform/platform.h"
#include "runtime/runtime.h"

bool enter_working_directory() {
    char value[kConfigValueCapacity];
    int length = read_expanded_config(kConfigWorkingDirectory, value, sizeof value);
    if (length <= 0) return length == 0;
    char path[kPathCapacity];
    if (compose_runtime_library_path(value, path, sizeof path) && platform.change_directory(path)) return true;
    print_error(MSG_NO_WORKING_DIRECTORY, value);
    return false;
}
