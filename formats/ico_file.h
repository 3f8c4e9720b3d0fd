// Icon files (.ico) and the icon-group resource that lists their images in an
// executable. An icon group entry is an icon file's directory entry with the
// image's file offset replaced by the id of its RT_ICON resource.
#ifndef VANDREL_FORMATS_ICO_FILE_H
#define VANDREL_FORMATS_ICO_FILE_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct IconImage {
    uint8_t width;   // 0 means 256
    uint8_t height;  // 0 means 256
    uint8_t colors;
    uint16_t planes;
    uint16_t bit_count;
    uint32_t bytes;                   // the image's size
    uint16_t id;                      // in a group: the RT_ICON resource's id
    std::vector<unsigned char> data;  // from an icon file: the image itself
};

// Limits that no real icon file comes near.
constexpr size_t kIconFileMaxBytes = 16 * 1024 * 1024;
constexpr size_t kIconMaxImages = 256;

enum class IconRead {
    kRead,
    kNotAnIcon,  // a wrong header, no image, or an image outside the file
    kTooLarge,   // over kIconFileMaxBytes or kIconMaxImages
};

// Reads an icon file: its directory and every image.
IconRead read_ico_file(const unsigned char* data, size_t size, std::vector<IconImage>* out);

// The RT_GROUP_ICON data for `images`, each listed with its `id`. False for
// more than kIconMaxImages images.
bool build_icon_group(const std::vector<IconImage>& images, std::vector<unsigned char>* out);

// Reads an RT_GROUP_ICON resource (images without data). False when it is cut short.
bool read_icon_group(const unsigned char* data, size_t size, std::vector<IconImage>* out);

#endif
