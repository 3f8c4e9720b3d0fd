// Fuzzes the decoder of compiled string tables: whatever the image, the
// result fits the buffer, is terminated where it says, and nothing past the
// buffer's capacity is written.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "resource_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    unsigned id = data[0];
    int capacity = 1 + data[1] % 64;
    std::vector<uint8_t> image(data + 2, data + size);  // exact size: reads past it are caught
    std::vector<char> buffer(capacity + 8, '\x5a');
    int n = decode_resource_string(image.data(), image.size(), id, buffer.data(), capacity);
    if (n < 0 || n >= capacity || buffer[n] != '\0') abort();
    for (int i = capacity; i < capacity + 8; ++i)
        if (buffer[i] != '\x5a') abort();
    return 0;
}
