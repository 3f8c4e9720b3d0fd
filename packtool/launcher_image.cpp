#include "launcher_image.h"

#include <cstdio>

#include "settings/config.h"
#include "input_file.h"
#include "pack_messages.h"
#include "string_block.h"
#include "version_info.h"

namespace {

constexpr uint16_t kLanguage = 1033;
constexpr uint16_t kIconGroup = 101;
// The block of the configuration values (ids 0 to 15).
constexpr uint16_t kStringBlock = string_block_number(0);

// True when `r` has the numbered type `type` (and, unless `name` is 0, the numbered name `name`).
bool is_resource(const Resource& r, uint16_t type, uint16_t name = 0) {
    return r.type.name.empty() && r.type.id == type && (name == 0 || (r.name.name.empty() && r.name.id == name));
}

// Removes the resources `drop` tells; calls `seen` with each before.
template <typename Drop>
void remove_resources(std::vector<Resource>* resources, Drop drop) {
    for (size_t i = 0; i < resources->size();) {
        if (drop((*resources)[i]))
            resources->erase(resources->begin() + long(i));
        else
            ++i;
    }
}

Resource numbered_resource(uint16_t type, uint16_t name, uint16_t language, std::vector<unsigned char> data) {
    Resource r{};
    r.type.id = type;
    r.name.id = name;
    r.language = language;
    r.data = std::move(data);
    return r;
}

bool any_value(const PackEdits& edits) {
    for (int id = kConfigRuntimeLibraryPath; id <= kLastConfigId; ++id)
        if (edits.has_value[id]) return true;
    return false;
}

void apply_values(const PackEdits& edits, std::vector<Resource>* resources) {
    if (!any_value(edits)) return;
    Resource* block = find_resource(*resources, kResourceString, kStringBlock, kLanguage);
    if (block == nullptr) {
        resources->push_back(numbered_resource(kResourceString, kStringBlock, kLanguage, {}));
        block = &resources->back();
    }
    std::u16string strings[kStringsPerBlock];
    decode_string_block(block->data.data(), block->data.size(), strings);
    for (int id = kConfigRuntimeLibraryPath; id <= kLastConfigId; ++id)
        if (edits.has_value[id]) strings[id] = stored_config_text(id, edits.values[id]);
    block->data = encode_string_block(strings);
}

// The lowest icon ids no resource holds, as many as `count`; fewer when the
// ids run out.
std::vector<uint16_t> free_icon_ids(const std::vector<Resource>& resources, size_t count) {
    std::vector<bool> taken(0x10000, false);
    for (const Resource& r : resources)
        if (r.type.name.empty() && r.type.id == kResourceIcon && r.name.name.empty()) taken[r.name.id] = true;
    std::vector<uint16_t> ids;
    for (uint32_t id = 1; ids.size() < count && id <= 0xFFFF; ++id)
        if (!taken[id]) ids.push_back(uint16_t(id));
    return ids;
}

// Replaces icon group 101 and its images with `images`, ids from 1. False
// when the executable has no free ids left for them.
bool apply_icon(const std::vector<IconImage>& images, std::vector<Resource>* resources) {
    if (images.empty()) return true;
    uint16_t language = kLanguage;
    std::vector<bool> old_ids(0x10000, false);
    remove_resources(resources, [&](const Resource& r) {
        if (!is_resource(r, kResourceGroupIcon, kIconGroup)) return false;
        std::vector<IconImage> listed;
        if (read_icon_group(r.data.data(), r.data.size(), &listed))
            for (const IconImage& image : listed) old_ids[image.id] = true;
        language = r.language;
        return true;
    });
    remove_resources(resources, [&](const Resource& r) {
        return is_resource(r, kResourceIcon) && r.name.name.empty() && old_ids[r.name.id];
    });
    std::vector<uint16_t> ids = free_icon_ids(*resources, images.size());
    if (ids.size() < images.size()) return false;
    std::vector<IconImage> group = images;
    for (size_t i = 0; i < images.size(); ++i) {
        group[i].id = ids[i];
        resources->push_back(numbered_resource(kResourceIcon, ids[i], language, images[i].data));
    }
    std::vector<unsigned char> data;
    if (!build_icon_group(group, &data)) return false;
    resources->push_back(numbered_resource(kResourceGroupIcon, kIconGroup, language, std::move(data)));
    return true;
}

// False when the version information does not fit its block.
bool apply_version(const PackEdits& edits, std::vector<Resource>* resources) {
    if (edits.version.empty()) return true;
    VersionInfo info{};
    remove_resources(resources, [&](const Resource& r) {
        if (!is_resource(r, kResourceVersion)) return false;
        VersionInfo existing;
        if (read_version_info(r.data.data(), r.data.size(), &existing)) info = existing;
        return true;
    });
    for (const auto& entry : edits.version) {
        if (entry.first == "FileVersion") parse_version_quad(entry.second.c_str(), info.file_version);
        if (entry.first == "ProductVersion") parse_version_quad(entry.second.c_str(), info.product_version);
        set_version_string(&info, widen(entry.first), widen(entry.second));
    }
    std::vector<unsigned char> data;
    if (!build_version_info(info, &data)) return false;
    resources->push_back(numbered_resource(kResourceVersion, 1, kLanguage, std::move(data)));
    return true;
}

// Prints what a refused resource layout comes to and returns the status.
PackStatus resource_refusal(ResourceResult result, const char* path) {
    if (result == ResourceResult::kBroken) fprintf(stderr, PACK_MSG_BROKEN_RESOURCES, path);
    if (result == ResourceResult::kNoRoom) fprintf(stderr, PACK_MSG_NO_ROOM, path);
    if (result == ResourceResult::kTooLarge) fprintf(stderr, PACK_MSG_TOO_LARGE, path, PACK_LIMIT_RESOURCES);
    if (result == ResourceResult::kImageTooLarge) fprintf(stderr, PACK_MSG_TOO_LARGE, path, PACK_LIMIT_LAUNCHER);
    return result == ResourceResult::kTooLarge || result == ResourceResult::kImageTooLarge ? kInputTooLarge
                                                                                           : kNotALauncher;
}

uint16_t subsystem_of(const PackEdits& edits, const PeImage& image) {
    return edits.subsystem == kGuiSubsystem       ? kPeSubsystemWindowsGui
           : edits.subsystem == kConsoleSubsystem ? kPeSubsystemWindowsConsole
                                                  : image.subsystem;
}

bool resources_read_back(std::vector<Resource>& read, const PackEdits& edits, const std::vector<IconImage>& icon) {
    std::u16string strings[kStringsPerBlock];
    if (any_value(edits) && !read_string_block(read, strings)) return false;
    for (int id = kConfigRuntimeLibraryPath; id <= kLastConfigId; ++id)
        if (edits.has_value[id] && strings[id] != stored_config_text(id, edits.values[id])) return false;
    std::vector<IconImage> listed;
    bool group = false;
    for (const Resource& r : read)
        if (is_resource(r, kResourceGroupIcon, kIconGroup))
            group = read_icon_group(r.data.data(), r.data.size(), &listed);
    if (!icon.empty() && (!group || listed.size() != icon.size())) return false;
    if (edits.version.empty()) return true;
    VersionInfo info;
    bool version = false;
    for (const Resource& r : read)
        if (!version && is_resource(r, kResourceVersion))
            version = read_version_info(r.data.data(), r.data.size(), &info);
    for (const auto& entry : edits.version) {
        bool found = false;
        for (const auto& s : info.strings)
            found = found || (s.first == widen(entry.first) && s.second == widen(entry.second));
        if (!version || !found) return false;
    }
    return true;
}

}  // namespace

bool read_string_block(std::vector<Resource>& resources, std::u16string strings[kStringsPerBlock]) {
    Resource* block = find_resource(resources, kResourceString, kStringBlock, kLanguage);
    return block && decode_string_block(block->data.data(), block->data.size(), strings);
}

PackStatus load_launcher(const char* path, Launcher* out) {
    out->path = path;
    PackStatus status = read_whole_input(path, kLauncherMaxBytes, PACK_LIMIT_LAUNCHER, &out->bytes);
    if (status != kSuccess) return status;
    if (!read_pe_image(out->bytes.data(), out->bytes.size(), &out->image)) {
        fprintf(stderr, PACK_MSG_NOT_AN_EXECUTABLE, path);
        return kNotALauncher;
    }
    if (pe_is_signed(out->image)) {
        fprintf(stderr, PACK_MSG_SIGNED, path);
        return kSigned;
    }
    ResourceResult resources = read_resources(out->bytes.data(), out->bytes.size(), out->image, &out->resources);
    if (resources != ResourceResult::kDone) return resource_refusal(resources, path);
    if (out->image.image_end < out->bytes.size()) {
        fprintf(stderr, PACK_MSG_CARRIES_ARCHIVE, path);
        return kNotALauncher;
    }
    return kSuccess;
}

PackStatus load_icon(const char* path, std::vector<IconImage>* images) {
    std::vector<unsigned char> ico;
    PackStatus status = read_whole_input(path, kIconFileMaxBytes, PACK_LIMIT_ICON_FILE, &ico);
    if (status != kSuccess) return status;
    IconRead read = read_ico_file(ico.data(), ico.size(), images);
    if (read == IconRead::kTooLarge) {
        fprintf(stderr, PACK_MSG_TOO_LARGE, path, PACK_LIMIT_ICON_IMAGES);
        return kInputTooLarge;
    }
    if (read != IconRead::kRead) {
        fprintf(stderr, PACK_MSG_NOT_AN_ICON, path);
        return kBadIcon;
    }
    return kSuccess;
}

PackStatus edit_launcher(const PackEdits& edits, const std::vector<IconImage>& icon, Launcher* launcher,
                         std::vector<unsigned char>* image) {
    apply_values(edits, &launcher->resources);
    if (!apply_icon(icon, &launcher->resources)) {
        fprintf(stderr, PACK_MSG_NOT_AN_ICON, edits.icon_path.c_str());
        return kBadIcon;
    }
    if (!apply_version(edits, &launcher->resources)) {
        fprintf(stderr, PACK_MSG_VERSION_TOO_LONG, static_cast<unsigned long>(kVersionBlockMaxBytes));
        return kValueRefused;
    }
    ResourceResult result = replace_resources(launcher->bytes.data(), launcher->bytes.size(), launcher->image,
                                              launcher->resources, subsystem_of(edits, launcher->image), image);
    return result == ResourceResult::kDone ? kSuccess : resource_refusal(result, launcher->path);
}

bool image_reads_back(const std::vector<unsigned char>& image, const PackEdits& edits,
                      const std::vector<IconImage>& icon, const Launcher& edited, const char** what) {
    PeImage read;
    std::vector<Resource> resources;
    *what = "the executable's headers";
    if (!read_pe_image(image.data(), image.size(), &read) || read.image_end != image.size() ||
        read.sections.size() < edited.image.sections.size())
        return false;
    *what = "the subsystem";
    if (read.subsystem != subsystem_of(edits, edited.image)) return false;
    *what = "the resources";
    if (read_resources(image.data(), image.size(), read, &resources) != ResourceResult::kDone ||
        resources.size() != edited.resources.size() || !resources_read_back(resources, edits, icon))
        return false;
    return true;
}
