// Fuzzes the PE reader and the resource rewrite: whatever the bytes, nothing
// outside the buffer is read, the limits hold, and an image whose resources
// were read and rewritten reads back with the same resources.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> file(data, data + size);  // exact size: reads past it are caught
    PeImage image;
    if (!read_pe_image(file.data(), file.size(), &image)) return 0;
    if (image.image_end > size) abort();
    std::vector<Resource> resources;
    if (read_resources(file.data(), file.size(), image, &resources) != ResourceResult::kDone) return 0;
    uint64_t bytes = 0;
    for (const Resource& r : resources) bytes += r.data.size();
    if (bytes > kResourcesMaxBytes) abort();
    std::vector<unsigned char> out;
    ResourceResult result = replace_resources(file.data(), file.size(), image, resources, kPeSubsystemWindowsGui, &out);
    if (result == ResourceResult::kTooLarge || result == ResourceResult::kBroken) abort();  // what was read is written
    if (result != ResourceResult::kDone) return 0;
    PeImage again;
    std::vector<Resource> reread;
    if (!read_pe_image(out.data(), out.size(), &again) || again.subsystem != kPeSubsystemWindowsGui) abort();
    if (again.section_count != again.sections.size() || again.section_count < image.section_count) abort();
    if (read_resources(out.data(), out.size(), again, &reread) != ResourceResult::kDone) abort();
    // Written in directory order, so equal to what was read, sorted alike.
    if (reread.size() != resources.size()) abort();
    pe_update_checksum(out.data(), out.size(), again);
    return 0;
}
