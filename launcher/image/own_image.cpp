#include "image/own_image.h"

#include <cstdint>
#include <cstdlib>

#include "base/diagnostics.h"
#include "image_end.h"
#include "platform/platform.h"

namespace {

// Enough for the headers of a PE file; an ELF file's section headers lie at
// the end of its image, which is then read whole, up to a bound no launcher
// comes near.
constexpr size_t kFirstRead = 4096;
constexpr uint64_t kLargestImage = 64 * 1024 * 1024;

}  // namespace

OwnImage read_own_image() {
    FILE* file = platform.open_own_file();
    if (file == nullptr) return kOwnImageUnreadable;
    FileStatus status;
    bool follow = false;
    if (platform.file_status(file, &status)) {
        size_t have = 0;
        size_t want = status.size < kFirstRead ? size_t(status.size) : kFirstRead;
        unsigned char* head = static_cast<unsigned char*>(allocate_or_exit(static_cast<int>(want)));
        ImageExtent extent;
        for (;;) {
            have += fread(head + have, 1, want - have, file);
            ImageEndResult result = platform_measure_image(head, have, &extent);
            if (result == kImageEndFound) {
                follow = bytes_after_image(extent, status.size) > 0;
                break;
            }
            // Headers that describe more than the file holds measure nothing.
            if (result != kImageEndNeedBytes || have < want || extent.needed > status.size ||
                extent.needed > kLargestImage)
                break;
            want = size_t(extent.needed);
            free(head);
            head = static_cast<unsigned char*>(allocate_or_exit(static_cast<int>(want)));
            have = 0;
            rewind(file);
        }
        free(head);
    }
    platform.file_close(file);
    return follow ? kOwnImageCarries : kOwnImageBare;
}
