// Icon files and icon groups.
#include "ico_file.h"

#include "byte_buffer.h"

namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;

// The header of an icon file or group: reserved 0, type 1, a count.
bool read_header(const unsigned char* data, size_t size, size_t entry_size, size_t* count) {
    if (size < kHeaderSize || le16(data) != 0 || le16(data + 2) != 1) return false;
    *count = le16(data + 4);
    return *count > 0 && kHeaderSize + entry_size * *count <= size;
}

IconImage read_entry(const unsigned char* e) {
    IconImage image{};
    image.width = e[0];
    image.height = e[1];
    image.colors = e[2];
    image.planes = le16(e + 4);
    image.bit_count = le16(e + 6);
    image.bytes = le32(e + 8);
    return image;
}

}  // namespace

IconRead read_ico_file(const unsigned char* data, size_t size, std::vector<IconImage>* out) {
    out->clear();
    if (size > kIconFileMaxBytes) return IconRead::kTooLarge;
    size_t count;
    if (!read_header(data, size, kFileEntrySize, &count)) return IconRead::kNotAnIcon;
    if (count > kIconMaxImages) return IconRead::kTooLarge;
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* e = data + kHeaderSize + kFileEntrySize * i;
        IconImage image = read_entry(e);
        uint32_t offset = le32(e + 12);
        if (image.bytes == 0 || offset > size || image.bytes > size - offset) {
            out->clear();
            return IconRead::kNotAnIcon;
        }
        image.data.assign(data + offset, data + offset + image.bytes);
        out->push_back(image);
    }
    return IconRead::kRead;
}

bool build_icon_group(const std::vector<IconImage>& images, std::vector<unsigned char>* built) {
    if (images.size() > kIconMaxImages) return false;
    std::vector<unsigned char>& out = *built;
    out.clear();
    append16(out, 0);
    append16(out, 1);
    append16(out, uint32_t(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        const IconImage& image = images[i];
        out.push_back(image.width);
        out.push_back(image.height);
        out.push_back(image.colors);
        out.push_back(0);
        append16(out, image.planes);
        append16(out, image.bit_count);
        append32(out, image.data.empty() ? image.bytes : uint32_t(image.data.size()));
        append16(out, image.id);
    }
    return true;
}

bool read_icon_group(const unsigned char* data, size_t size, std::vector<IconImage>* out) {
    out->clear();
    size_t count;
    if (!read_header(data, size, kGroupEntrySize, &count)) return false;
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* e = data + kHeaderSize + kGroupEntrySize * i;
        IconImage image = read_entry(e);
        image.id = le16(e + 12);
        out->push_back(image);
    }
    return true;
}
