// Fuzzes the measurement of an executable image from a file's leading
// bytes: it must never read past them, must ask only for more than it was
// given, and must agree with itself when given what it asked for.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image_end.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that AddressSanitizer sees any read past it.
    std::vector<unsigned char> head(data, data + size);
    ImageExtent extent;
    ImageEndResult result = find_image_end(head.data(), size, &extent);
    if (result == kImageEndNeedBytes && extent.needed <= size) abort();
    if (result == kImageEndFound) {
        uint64_t after = bytes_after_image(extent, size);
        if (after > size) abort();
        // More bytes after the measured ones change nothing but what follows.
        std::vector<unsigned char> longer(head);
        longer.resize(size + 64, 0);
        ImageExtent again;
        if (find_image_end(longer.data(), longer.size(), &again) != kImageEndFound || again.end != extent.end ||
            again.certificate_offset != extent.certificate_offset)
            abort();
    }
    return 0;
}
