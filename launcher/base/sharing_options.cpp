#include "base/sharing_options.h"

#include <cstring>

const char* sharing_option_in(const char* text) {
    static const char* const kSharingOptions[] = {"-Xshare:", "-XX:SharedArchiveFile", "-XX:ArchiveClassesAtExit",
                                                  "-XX:+AutoCreateSharedArchive", "-XX:AOT"};
    for (const char* option : kSharingOptions)
        if (text != nullptr && strstr(text, option) != nullptr) return option;
    return nullptr;
}
