#include "show.h"

#include <cstdio>

#include "settings/config.h"
#include "input_file.h"
#include "jar_input.h"
#include "launcher_image.h"
#include "manifest_edits.h"
#include "pack_messages.h"
#include "version_info.h"

namespace {

// The first read of a file's image; larger ones follow when its sections
// reach further, up to the largest launcher taken.
constexpr uint64_t kFirstImageRead = 64 * 1024;

std::string shown(const std::u16string& text) { return escaped_for_terminal(narrow(text)); }

// Reads the executable image at the start of `file` (not what is appended).
bool read_image(const InputFile& file, Launcher* out) {
    for (uint64_t want = kFirstImageRead;; want *= 16) {
        uint64_t size = want < file.size ? want : file.size;
        out->bytes.resize(size_t(size));
        if (!read_input_at(file, 0, out->bytes.data(), out->bytes.size())) return false;
        if (read_pe_image(out->bytes.data(), out->bytes.size(), &out->image)) return true;
        if (size == file.size || want >= kLauncherMaxBytes) return false;
    }
}

void show_values(Launcher& l) {
    std::u16string strings[16];
    bool decoded = read_string_block(l.resources, strings);
    printf(SHOW_VALUES, decoded ? "" : SHOW_NO_VALUES);
    for (int id = kConfigRuntimeLibraryPath; decoded && id <= kLastConfigId; ++id)
        printf(SHOW_ENTRY, config_label_of_id(id), shown(value_after_comment_rule(strings[id])).c_str());
}

void show_icon(const std::vector<Resource>& resources) {
    std::vector<IconImage> icons;
    const Resource* group = nullptr;
    for (const Resource& r : resources)
        if (r.type.name.empty() && r.type.id == kResourceGroupIcon && r.name.name.empty() && r.name.id == 101)
            group = &r;
    if (group == nullptr || !read_icon_group(group->data.data(), group->data.size(), &icons)) {
        fputs(SHOW_NO_ICON, stdout);
        return;
    }
    fputs(SHOW_ICON, stdout);
    for (const IconImage& i : icons)
        printf(SHOW_ICON_IMAGE, i.width ? i.width : 256u, i.height ? i.height : 256u, unsigned(i.bit_count));
    fputs("\n", stdout);
}

void show_version(const std::vector<Resource>& resources) {
    VersionInfo info;
    bool has_version = false;
    for (const Resource& r : resources)
        if (!has_version && r.type.name.empty() && r.type.id == kResourceVersion)
            has_version = read_version_info(r.data.data(), r.data.size(), &info);
    if (!has_version) {
        fputs(SHOW_NO_VERSION, stdout);
        return;
    }
    const uint16_t* f = info.file_version;
    const uint16_t* p = info.product_version;
    printf(SHOW_VERSION, f[0], f[1], f[2], f[3], p[0], p[1], p[2], p[3]);
    for (const auto& s : info.strings) printf(SHOW_ENTRY, shown(s.first).c_str(), shown(s.second).c_str());
}

void show_archive(const InputFile& file, const PeImage& image) {
    if (image.image_end >= file.size) {
        fputs(SHOW_BARE, stdout);
        return;
    }
    ArchiveInfo archive;
    if (!inspect_archive_file(file, image.image_end, &archive)) {
        printf(SHOW_DAMAGED_ARCHIVE, static_cast<unsigned long long>(file.size - image.image_end));
        return;
    }
    std::string main_class = archive.has_main_class ? escaped_for_terminal(archive.main_class) : "(none)";
    printf(SHOW_ARCHIVE, static_cast<unsigned long long>(archive.start), archive.zip64 ? " (ZIP64)" : "",
           static_cast<unsigned long long>(archive.entries), main_class.c_str());
}

const char* machine_name(uint16_t machine) {
    return machine == 0x014C ? "x86" : machine == 0x8664 ? "x64" : machine == 0xAA64 ? "ARM64" : "other";
}

const char* subsystem_name(uint16_t subsystem) {
    return subsystem == kPeSubsystemWindowsGui ? "GUI" : subsystem == kPeSubsystemWindowsConsole ? "console" : "other";
}

}  // namespace

PackStatus show(const char* path) {
    InputFile file;
    PackStatus status = open_input(path, 0, "", &file);
    if (status != kSuccess) return status;
    Launcher l;
    if (!read_image(file, &l)) {
        close_input(&file);
        fprintf(stderr, PACK_MSG_NOT_AN_EXECUTABLE, path);
        return kNotALauncher;
    }
    printf(SHOW_FILE, escaped_for_terminal(path).c_str());
    printf(SHOW_IMAGE, l.image.pe32_plus ? "PE32+ (64-bit)" : "PE32 (32-bit)", machine_name(l.image.machine),
           subsystem_name(l.image.subsystem));
    if (read_resources(l.bytes.data(), l.bytes.size(), l.image, &l.resources) != ResourceResult::kDone) {
        fputs(SHOW_NO_RESOURCES, stdout);
    } else {
        show_values(l);
        show_icon(l.resources);
        show_version(l.resources);
        show_manifest(l.resources);
    }
    show_archive(file, l.image);
    printf(SHOW_SIGNED, pe_is_signed(l.image) ? "yes" : "no");
    close_input(&file);
    return kSuccess;
}
