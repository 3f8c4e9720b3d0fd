// Fuzzes the icon file reader: every image it returns lies inside the file,
// and the group made of them lists them all.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ico_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> file(data, data + size);
    std::vector<IconImage> images;
    if (read_ico_file(file.data(), file.size(), &images) != IconRead::kRead) {
        std::vector<IconImage> listed;
        read_icon_group(file.data(), file.size(), &listed);
        return 0;
    }
    for (const IconImage& image : images)
        if (image.data.size() != image.bytes || image.bytes > size) abort();
    std::vector<unsigned char> group;
    std::vector<IconImage> listed;
    if (images.size() > kIconMaxImages || !build_icon_group(images, &group) ||
        !read_icon_group(group.data(), group.size(), &listed) || listed.size() != images.size())
        abort();
    return 0;
}
