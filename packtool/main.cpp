// vandrel-pack: configures, brands and packs a Windows launcher on any OS.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "archive_check.h"
#include "atomic_file.h"
#include "ico_file.h"
#include "manifest_edits.h"
#include "pack_edits.h"
#include "pe_image.h"
#include "version_info.h"
#include "zip_directory.h"

namespace {

enum Status {
    kSuccess = 0,
    kUsage = 1,
    kNotAJar = 2,
    kOpenFailed = 3,
    kNotALauncher = 4,
    kWriteFailed = 5,
    kValueRefused = 6,
    kBadIcon = 7,
    kSigned = 8,
};

constexpr uint16_t kLanguage = 1033;
constexpr uint16_t kIconGroup = 101;

const char kUsageText[] =
    "vandrel-pack " VANDREL_VERSION_TEXT
    ": configure, brand and pack a Windows program\n"
    "Usage:\n"
    "  vandrel-pack [EDITS] [--launcher FILE] source.jar dest.exe   pack: a configured copy of the launcher, "
    "then the JAR\n"
    "  vandrel-pack --configure [EDITS] launcher.exe dest.exe        a configured launcher, nothing appended\n"
    "  vandrel-pack --show FILE.exe                                  print what a launcher or packed program holds\n"
    "EDITS:\n"
    "  --set NAME=VALUE      a configuration value by its label (runtime_library_path, min_version, max_version,\n"
    "                        vm_arguments, leading_arguments, trailing_arguments, no_runtime_message,\n"
    "                        bad_version_message, working_directory, single_instance, options_file,\n"
    "                        startup_cache); \"\\n\" in VALUE separates the items of values 5 to 7; "
    "repeatable\n"
    "  --icon FILE.ico       replace icon group 101 with every image of FILE.ico\n"
    "  --version KEY=VALUE   version information: FileVersion, ProductVersion, ProductName, FileDescription,\n"
    "                        CompanyName, LegalCopyright, OriginalFilename, InternalName; repeatable\n"
    "  --gui | --console     the Windows subsystem: GUI (no console window) or console (the default)\n"
    "  --class-data-archive FILE\n"
    "                        add to vm_arguments the options that map the class-data archive FILE (an\n"
    "                        absolute Windows path) at start-up, and that keep runtimes without it, or an\n"
    "                        archive that no longer matches, from failing or warning (Java 13 and later)\n"
    "  --class-data-auto     with --class-data-archive: the VM writes FILE when it is missing and the\n"
    "                        program ends (Java 19 and later); every user must be able to write there\n"
    "  --startup-cache[=DIR] the VM makes a start-up cache in DIR on the user's machine and uses it on later\n"
    "                        starts (Java 19 and later); DIR defaults to %LOCALAPPDATA%\\<program name>\n"
    "  --utf8                the program's ANSI code page becomes UTF-8 (Windows 10 1903 and later): its\n"
    "                        arguments, paths and texts keep every script\n"
    "  --manifest FILE       replace the application manifest with FILE (XML with an assembly root)\n"
    "The launcher defaults to vandrel.exe beside vandrel-pack.\n";

int usage(int status) {
    fputs(kUsageText, stdout);
    return status;
}

bool read_whole_file(const char* path, std::vector<unsigned char>* out) {
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return false;
    out->clear();
    unsigned char block[65536];
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) > 0) out->insert(out->end(), block, block + n);
    bool ok = !ferror(f);
    return fclose(f) == 0 && ok;
}

// vandrel.exe in the directory of this program.
std::string default_launcher(const char* argv0) {
    std::string self;
#ifdef _WIN32
    char name[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, name, sizeof name);
    if (length > 0 && length < sizeof name) self = name;
    const char* separators = "\\/";
#else
    char name[4096];
    ssize_t length = readlink("/proc/self/exe", name, sizeof name);
    if (length > 0 && size_t(length) < sizeof name) self.assign(name, size_t(length));
    const char* separators = "/";
#endif
    if (self.empty()) self = argv0;
    size_t separator = self.find_last_of(separators);
    return separator == std::string::npos ? "vandrel.exe" : self.substr(0, separator + 1) + "vandrel.exe";
}

// Escapes line feeds and carriage returns so that a value prints on one line.
std::string one_line(const std::u16string& text) {
    std::string out;
    for (char c : narrow(text)) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out.push_back(c);
    }
    return out;
}

// True when `r` has the numbered type `type` (and, unless `name` is 0, the numbered name `name`).
bool is_resource(const Resource& r, uint16_t type, uint16_t name = 0) {
    return r.type.name.empty() && r.type.id == type && (name == 0 || (r.name.name.empty() && r.name.id == name));
}

// The texts of string table block 1 (ids 0 to 15); false when there is none.
bool read_string_block(std::vector<Resource>& resources, std::u16string strings[16]) {
    Resource* block = find_resource(resources, kResourceString, 1, kLanguage);
    return block && decode_string_block(block->data.data(), block->data.size(), strings);
}

struct Launcher {
    std::vector<unsigned char> bytes;
    PeImage image;
    std::vector<Resource> resources;
};

// Reads and checks a launcher; prints the refusal and returns its status.
int load_launcher(const char* path, bool bare, Launcher* out) {
    if (!read_whole_file(path, &out->bytes)) {
        fprintf(stderr, "Error opening '%s'\n", path);
        return kOpenFailed;
    }
    if (!read_pe_image(out->bytes.data(), out->bytes.size(), &out->image)) {
        fprintf(stderr, "Not a Windows executable: %s\n", path);
        return kNotALauncher;
    }
    if (pe_is_signed(out->image)) {
        fprintf(stderr,
                "'%s' is signed: editing it would break the signature. Edit the unsigned launcher, "
                "then sign after packing.\n",
                path);
        return kSigned;
    }
    ResourceResult resources = read_resources(out->bytes.data(), out->bytes.size(), out->image, &out->resources);
    if (resources != ResourceResult::kDone) {
        fprintf(stderr,
                resources == ResourceResult::kTooLarge ? "Resources of '%s' are larger than a launcher's can be\n"
                                                       : "Broken resource directory in '%s'\n",
                path);
        return kNotALauncher;
    }
    if (bare && out->image.image_end < out->bytes.size()) {
        fprintf(stderr, "'%s' already carries an appended archive: give the bare launcher\n", path);
        return kNotALauncher;
    }
    return kSuccess;
}

void apply_values(const PackEdits& edits, std::vector<Resource>* resources) {
    bool any = false;
    for (int id = 2; id <= kLastConfigId; ++id) any = any || edits.has_value[id];
    if (!any) return;
    Resource* block = find_resource(*resources, kResourceString, 1, kLanguage);
    if (block == nullptr) {
        Resource fresh{};
        fresh.type.id = kResourceString;
        fresh.name.id = 1;
        fresh.language = kLanguage;
        resources->push_back(fresh);
        block = &resources->back();
    }
    std::u16string strings[16];
    decode_string_block(block->data.data(), block->data.size(), strings);
    for (int id = 2; id <= kLastConfigId; ++id)
        if (edits.has_value[id]) strings[id] = stored_config_text(id, edits.values[id]);
    block->data = encode_string_block(strings);
}

// Replaces icon group 101 and its images with `images`, ids from 1. False
// when the executable has no free ids left for them.
bool apply_icon(const std::vector<IconImage>& images, std::vector<Resource>* resources) {
    uint16_t language = kLanguage;
    std::vector<uint16_t> old_ids;
    for (size_t i = 0; i < resources->size();) {
        Resource& r = (*resources)[i];
        if (is_resource(r, kResourceGroupIcon, kIconGroup)) {
            std::vector<IconImage> listed;
            if (read_icon_group(r.data.data(), r.data.size(), &listed))
                for (const IconImage& image : listed) old_ids.push_back(image.id);
            language = r.language;
            resources->erase(resources->begin() + long(i));
        } else {
            ++i;
        }
    }
    for (size_t i = 0; i < resources->size();) {
        Resource& r = (*resources)[i];
        bool listed = false;
        for (uint16_t id : old_ids) listed = listed || is_resource(r, kResourceIcon, id);
        if (listed)
            resources->erase(resources->begin() + long(i));
        else
            ++i;
    }
    // The lowest ids that no other group's image holds.
    std::vector<uint16_t> ids;
    for (uint32_t id = 1; ids.size() < images.size() && id <= 0xFFFF; ++id) {
        bool taken = false;
        for (const Resource& r : *resources) taken = taken || is_resource(r, kResourceIcon, uint16_t(id));
        if (!taken) ids.push_back(uint16_t(id));
    }
    if (ids.size() < images.size()) return false;
    std::vector<IconImage> group = images;
    for (size_t i = 0; i < images.size(); ++i) {
        group[i].id = ids[i];
        Resource image{};
        image.type.id = kResourceIcon;
        image.name.id = ids[i];
        image.language = language;
        image.data = images[i].data;
        resources->push_back(image);
    }
    Resource entry{};
    entry.type.id = kResourceGroupIcon;
    entry.name.id = kIconGroup;
    entry.language = language;
    if (!build_icon_group(group, &entry.data)) return false;
    resources->push_back(entry);
    return true;
}

// False when the version information is too large to be read back.
bool apply_version(const PackEdits& edits, std::vector<Resource>* resources) {
    if (edits.version.empty()) return true;
    VersionInfo info{};
    for (size_t i = 0; i < resources->size();) {
        Resource& r = (*resources)[i];
        if (is_resource(r, kResourceVersion)) {
            VersionInfo existing;
            if (read_version_info(r.data.data(), r.data.size(), &existing)) info = existing;
            resources->erase(resources->begin() + long(i));
        } else {
            ++i;
        }
    }
    for (const auto& entry : edits.version) {
        if (entry.first == "FileVersion") parse_version_quad(entry.second.c_str(), info.file_version);
        if (entry.first == "ProductVersion") parse_version_quad(entry.second.c_str(), info.product_version);
        set_version_string(&info, widen(entry.first), widen(entry.second));
    }
    Resource version{};
    version.type.id = kResourceVersion;
    version.name.id = 1;
    version.language = kLanguage;
    if (!build_version_info(info, &version.data)) return false;
    resources->push_back(version);
    return true;
}

int show(const char* path) {
    Launcher l;
    if (!read_whole_file(path, &l.bytes)) {
        fprintf(stderr, "Error opening '%s'\n", path);
        return kOpenFailed;
    }
    if (!read_pe_image(l.bytes.data(), l.bytes.size(), &l.image)) {
        fprintf(stderr, "Not a Windows executable: %s\n", path);
        return kNotALauncher;
    }
    printf("File: %s\n", path);
    printf("Image: %s, subsystem %s\n", l.image.pe32_plus ? "PE32+ (64-bit)" : "PE32 (32-bit)",
           l.image.subsystem == kPeSubsystemWindowsGui       ? "GUI"
           : l.image.subsystem == kPeSubsystemWindowsConsole ? "console"
                                                             : "other");
    if (read_resources(l.bytes.data(), l.bytes.size(), l.image, &l.resources) != ResourceResult::kDone) {
        printf("Resources: broken\n");
    } else {
        std::u16string strings[16];
        bool decoded = read_string_block(l.resources, strings);
        printf("Values:%s\n", decoded ? "" : " none (no string table block 1 in language 1033)");
        for (int id = 2; decoded && id <= kLastConfigId; ++id)
            printf("  %s = %s\n", config_label_of_id(id), one_line(value_after_comment_rule(strings[id])).c_str());
        std::vector<IconImage> icons;
        Resource* group = nullptr;
        for (Resource& r : l.resources)
            if (is_resource(r, kResourceGroupIcon, kIconGroup)) group = &r;
        if (group && read_icon_group(group->data.data(), group->data.size(), &icons)) {
            printf("Icon 101:");
            for (const IconImage& i : icons)
                printf(" %ux%u/%ubit", i.width ? i.width : 256u, i.height ? i.height : 256u, unsigned(i.bit_count));
            printf("\n");
        } else {
            printf("Icon 101: none\n");
        }
        VersionInfo info;
        bool has_version = false;
        for (Resource& r : l.resources)
            if (!has_version && is_resource(r, kResourceVersion))
                has_version = read_version_info(r.data.data(), r.data.size(), &info);
        if (has_version) {
            printf("Version: file %u.%u.%u.%u, product %u.%u.%u.%u\n", info.file_version[0], info.file_version[1],
                   info.file_version[2], info.file_version[3], info.product_version[0], info.product_version[1],
                   info.product_version[2], info.product_version[3]);
            for (const auto& s : info.strings)
                printf("  %s = %s\n", narrow(s.first).c_str(), one_line(s.second).c_str());
        } else {
            printf("Version: none\n");
        }
        show_manifest(l.resources);
    }
    if (l.image.image_end >= l.bytes.size()) {
        printf("Archive: none (a bare launcher)\n");
    } else {
        ArchiveInfo archive;
        if (inspect_archive(l.bytes.data(), l.bytes.size(), &archive)) {
            printf("Archive: appended at %llu, opens%s: %llu entries, Main-Class: %s\n",
                   static_cast<unsigned long long>(archive.start), archive.zip64 ? " (ZIP64)" : "",
                   static_cast<unsigned long long>(archive.entries),
                   archive.has_main_class ? archive.main_class.c_str() : "(none)");
        } else {
            printf("Archive: %llu bytes appended, does not open\n",
                   static_cast<unsigned long long>(l.bytes.size() - l.image.image_end));
        }
    }
    printf("Signed: %s\n", pe_is_signed(l.image) ? "yes" : "no");
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    // Progress lines reach a pipe before any error that follows them (some C
    // runtimes buffer _IOLBF streams fully, so none at all).
    setvbuf(stdout, nullptr, _IONBF, 0);
    PackEdits edits{};
    ManifestEdits manifest_edits{};
    const char* launcher_path = nullptr;
    bool configure = false, show_mode = false;
    std::vector<const char*> files;
    std::string message;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool takes_value = a == "--set" || a == "--icon" || a == "--version" || a == "--launcher" ||
                           a == "--class-data-archive" || a == "--manifest";
        if (takes_value && i + 1 >= argc) {
            fprintf(stderr, "Option %s needs a value\n", argv[i]);
            return usage(kUsage);
        }
        EditResult result = kEditOk;
        if (a == "--help" || a == "-h")
            return usage(kSuccess);
        else if (a == "--set")
            result = parse_set_argument(argv[++i], &edits, &message);
        else if (a == "--version")
            result = parse_version_argument(argv[++i], &edits, &message);
        else if (a == "--icon")
            edits.icon_path = argv[++i];
        else if (a == "--launcher")
            launcher_path = argv[++i];
        else if (a == "--class-data-archive")
            edits.class_data_archive = argv[++i];
        else if (a == "--class-data-auto")
            edits.class_data_auto = true;
        else if (a.compare(0, 15, "--startup-cache") == 0 && (a.size() == 15 || a[15] == '=')) {
            edits.startup_cache = true;
            edits.has_value[13] = a.size() > 16;
            edits.values[13] = a.size() > 16 ? a.substr(16) : "";
        } else if (a == "--manifest")
            manifest_edits.path = argv[++i];
        else if (a == "--utf8")
            manifest_edits.utf8 = true;
        else if (a == "--gui")
            edits.subsystem = kGuiSubsystem;
        else if (a == "--console")
            edits.subsystem = kConsoleSubsystem;
        else if (a == "--configure")
            configure = true;
        else if (a == "--show")
            show_mode = true;
        else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            fprintf(stderr, "Unknown option: %s\n", argv[i]);
            return usage(kUsage);
        } else
            files.push_back(argv[i]);
        if (result != kEditOk) {
            fputs(message.c_str(), stderr);
            return result == kEditUsage ? usage(kUsage) : kValueRefused;
        }
    }
    bool any_edit = !edits.icon_path.empty() || !edits.version.empty() || edits.subsystem != kKeepSubsystem ||
                    !edits.class_data_archive.empty() || edits.class_data_auto || edits.startup_cache;
    for (int id = 2; id <= kLastConfigId; ++id) any_edit = any_edit || edits.has_value[id];
    any_edit = any_edit || manifest_edits_any(manifest_edits);
    if (show_mode) {
        if (configure || any_edit || launcher_path || files.size() != 1) return usage(kUsage);
        return show(files[0]);
    }
    if (files.size() != 2 || (configure && launcher_path)) return usage(kUsage);
    if (check_edits(edits, &message) != kEditOk) {
        fputs(message.c_str(), stderr);
        return kValueRefused;
    }
    if (int status = load_manifest_file(&manifest_edits)) return status;
    std::string default_path;
    if (!configure && !launcher_path) {
        default_path = default_launcher(argv[0]);
        launcher_path = default_path.c_str();
    }
    const char* source = files[0];
    const char* launcher_file = configure ? files[0] : launcher_path;
    const char* destination = files[1];

    // Nothing that is read is ever written.
    for (const char* input : {source, launcher_file, edits.icon_path.c_str(), manifest_edits.path.c_str()}) {
        if (*input && (same_file(destination, input) || strcmp(destination, input) == 0)) {
            fprintf(stderr, "Refusing to write '%s': it is one of the inputs\n", destination);
            return kOpenFailed;
        }
    }

    std::vector<unsigned char> jar;
    ArchiveInfo archive{};
    if (!configure) {
        if (!read_whole_file(source, &jar) || !inspect_archive(jar.data(), jar.size(), &archive)) {
            fprintf(stderr, "Not a valid jar file: %s\n", source);
            return kNotAJar;
        }
        if (!archive.has_main_class)
            fputs("Main-Class attribute not found in manifest:\nWill attempt to find a main class at run-time.\n",
                  stdout);
    }
    Launcher launcher;
    int status = load_launcher(launcher_file, true, &launcher);
    if (status != kSuccess) return status;
    if (edits.startup_cache) {
        bool windows = launcher.bytes[0] == 'M' && launcher.bytes[1] == 'Z';
        if (!edits.has_value[13]) edits.values[13] = default_startup_cache(windows, destination);
        edits.has_value[13] = true;
        if (under_program_files(edits.values[13]))
            fputs("Warning: users cannot write under Program Files: the start-up cache is left out for them\n", stderr);
    }
    if (!edits.class_data_archive.empty()) {
        // The archive's options join value 5 as given, else as the launcher holds it.
        if (!edits.has_value[5]) {
            std::u16string strings[16];
            if (read_string_block(launcher.resources, strings))
                edits.values[5] = narrow(value_after_comment_rule(strings[5]));
        }
        edits.values[5] = with_class_data_options(edits.values[5], edits);
        std::string lower = edits.class_data_archive;
        for (char& c : lower) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (edits.class_data_auto && lower.find("program files") != std::string::npos)
            fputs(
                "Warning: users cannot write under Program Files, and a VM that cannot write a missing archive "
                "ends the program with an error: choose a directory every user can write\n",
                stderr);
        edits.has_value[5] = true;
        if (check_edits(edits, &message) != kEditOk) {
            fputs(message.c_str(), stderr);
            return kValueRefused;
        }
    }

    std::vector<IconImage> images;
    if (!edits.icon_path.empty()) {
        std::vector<unsigned char> ico;
        if (!read_whole_file(edits.icon_path.c_str(), &ico)) {
            fprintf(stderr, "Error opening '%s'\n", edits.icon_path.c_str());
            return kOpenFailed;
        }
        if (read_ico_file(ico.data(), ico.size(), &images) != IconRead::kRead) {
            fprintf(stderr, "Not a valid icon file: %s\n", edits.icon_path.c_str());
            return kBadIcon;
        }
    }

    printf("Creating executable '%s' from '%s'...\n", destination, source);
    std::vector<unsigned char> out;
    if (any_edit) {
        apply_values(edits, &launcher.resources);
        if (!images.empty() && !apply_icon(images, &launcher.resources)) {
            fprintf(stderr, "Not a valid icon file: %s\n", edits.icon_path.c_str());
            return kBadIcon;
        }
        if (!apply_version(edits, &launcher.resources)) {
            fputs("Version information over 65535 bytes cannot be stored\n", stderr);
            return kValueRefused;
        }
        apply_manifest_edits(manifest_edits, &launcher.resources);
        uint16_t subsystem = edits.subsystem == kGuiSubsystem       ? kPeSubsystemWindowsGui
                             : edits.subsystem == kConsoleSubsystem ? kPeSubsystemWindowsConsole
                                                                    : launcher.image.subsystem;
        if (replace_resources(launcher.bytes.data(), launcher.bytes.size(), launcher.image, launcher.resources,
                              subsystem, &out) != ResourceResult::kDone) {
            fprintf(stderr, "No room for the new resources in '%s'\n", launcher_file);
            return kNotALauncher;
        }
    } else {
        out = launcher.bytes;
    }
    uint64_t archive_position = out.size();
    out.insert(out.end(), jar.begin(), jar.end());
    size_t tail = jar.size() < kZipTailMax ? jar.size() : kZipTailMax;
    if (tail != 0) rebase_zip64_locator(out.data() + out.size() - tail, tail, jar.size() - tail, archive_position);
    PeImage written;
    if (!read_pe_image(out.data(), out.size(), &written)) {
        fprintf(stderr, "Error writing '%s'\n", destination);
        return kWriteFailed;
    }
    // An edited image gets the checksum of the whole file; an unedited one
    // is kept byte for byte, as the packager copies it.
    if (any_edit) pe_update_checksum(out.data(), out.size(), written);
    switch (write_file_atomically(destination, out.data(), out.size())) {
        case kWritten:
            break;
        case kFileCreateFailed:
            fprintf(stderr, "Error opening '%s'\n", destination);
            return kOpenFailed;
        case kFileWriteFailed:
            fprintf(stderr, "Error writing '%s'\n", destination);
            return kWriteFailed;
    }
    fputs("Success!\n", stdout);
    return kSuccess;
}
