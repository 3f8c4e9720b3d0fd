// vandrel-pack: configures, brands and packs a Windows launcher on any OS.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/sharing_options.h"
#include "settings/config.h"
#include "input_file.h"
#include "jar_input.h"
#include "launcher_image.h"
#include "pack_messages.h"
#include "pack_output.h"
#include "platform/platform.h"
#include "request.h"
#include "show.h"

namespace {

constexpr unsigned long kNameCapacity = 4096;

const char kSubdirectoryLauncher[] = "win64/vandrel.exe";
const char kBesideLauncher[] = "vandrel.exe";

// The directory of this program, with its separator; that of the name it was
// started by when the system does not tell; empty when unknown.
std::string own_directory(const char* argv0) {
    char name[kNameCapacity];
    if (get_module_directory(name, sizeof name)) return std::string(name) + kPathSeparator;
    std::string self(argv0);
    size_t separator = self.find_last_of(kPathSeparator == '\\' ? "\\/" : "/");
    return separator == std::string::npos ? std::string() : self.substr(0, separator + 1);
}

// win64/vandrel.exe beside this program when it is there, else vandrel.exe
// beside it. Sets *found when the file exists.
std::string default_launcher(const char* argv0, bool* found) {
    std::string directory = own_directory(argv0);
    std::string nested = directory + kSubdirectoryLauncher;
    *found = platform.path_exists(nested.c_str());
    if (*found) return nested;
    std::string beside = directory + kBesideLauncher;
    *found = platform.path_exists(beside.c_str());
    return beside;
}

// Nothing that is read is ever written.
bool destination_is_an_input(const PackRequest& r, const char* launcher) {
    for (const char* input : {r.source, launcher, r.edits.icon_path.c_str(), r.manifest.path.c_str()})
        if (*input && (platform.same_file(r.destination, input) || std::string(r.destination) == input)) return true;
    return false;
}

// Value `id` as the program will hold it: as given, else as the launcher holds it.
std::string final_value(const PackEdits& edits, Launcher& launcher, int id) {
    if (edits.has_value[id]) return edits.values[id];
    std::u16string strings[16];
    return read_string_block(launcher.resources, strings) ? narrow(value_after_comment_rule(strings[id]))
                                                          : std::string();
}

// The class-data options join value 5 as given, else as the launcher holds it.
PackStatus add_class_data_options(PackEdits* edits, Launcher* launcher) {
    if (edits->class_data_archive.empty()) return kSuccess;
    edits->values[kConfigVmArguments] =
        with_class_data_options(final_value(*edits, *launcher, kConfigVmArguments), *edits);
    edits->has_value[kConfigVmArguments] = true;
    if (edits->class_data_auto && under_program_files(edits->class_data_archive))
        fputs(PACK_MSG_PROGRAM_FILES_WARNING, stderr);
    std::string message;
    if (check_edits(*edits, &message, false) == kEditOk) return kSuccess;
    fputs(message.c_str(), stderr);
    return kValueRefused;
}

// A start-up cache and class-data options of value 5 exclude each other;
// the 32-bit launcher keeps no cache at all.
PackStatus check_cache_clash(const PackEdits& edits, Launcher& launcher) {
    std::string cache = final_value(edits, launcher, kConfigStartupCache);
    std::string vm_arguments = final_value(edits, launcher, kConfigVmArguments);
    const char* option = sharing_option_in(vm_arguments.c_str());
    if (cache.find_first_not_of(" \t") == std::string::npos) return kSuccess;
    if (option != nullptr) {
        fprintf(stderr, PACK_MSG_CACHE_CLASH, option);
        return kValueRefused;
    }
    if (launcher.image.machine == 0x014C) fputs(PACK_MSG_CACHE_32_BIT_WARNING, stderr);  // x86
    return kSuccess;
}

// --startup-cache without a directory names the user's cache directory for
// the launcher's system (a PE launcher: Windows).
void add_startup_cache(PackEdits* edits, const Launcher& launcher, const char* destination) {
    if (!edits->startup_cache) return;
    bool windows = launcher.bytes.size() > 1 && launcher.bytes[0] == 'M' && launcher.bytes[1] == 'Z';
    if (!edits->has_value[kConfigStartupCache])
        edits->values[kConfigStartupCache] = default_startup_cache(windows, destination);
    edits->has_value[kConfigStartupCache] = true;
    if (under_program_files(edits->values[kConfigStartupCache])) fputs(PACK_MSG_PROGRAM_FILES_WARNING, stderr);
}

// Under the UTF-8 code page the program reads each character of a value as
// its UTF-8 bytes: every value it will hold, set now or kept, must fit so.
PackStatus check_values_for_code_page(const PackEdits& edits, Launcher* launcher) {
    if (!manifest_sets_utf8(launcher->resources)) return kSuccess;
    PackEdits all = edits;
    for (int id = kConfigRuntimeLibraryPath; id <= kLastConfigId; ++id)
        all.values[id] = final_value(edits, *launcher, id);
    for (bool& has : all.has_value) has = true;
    std::string message;
    if (check_edits(all, &message, true) == kEditOk) return kSuccess;
    fputs(message.c_str(), stderr);
    return kValueRefused;
}

// Reads the launcher and makes the image to write, read back before use;
// then announces the writing.
PackStatus make_image(PackRequest* r, const char* launcher_path, Launcher* launcher, std::vector<unsigned char>* image,
                      PeImage* layout) {
    PackStatus status = load_launcher(launcher_path, launcher);
    if (status == kSuccess) add_startup_cache(&r->edits, *launcher, r->destination);
    if (status == kSuccess) status = add_class_data_options(&r->edits, launcher);
    if (status == kSuccess) status = check_cache_clash(r->edits, *launcher);
    std::vector<IconImage> icon;
    if (status == kSuccess && !r->edits.icon_path.empty()) status = load_icon(r->edits.icon_path.c_str(), &icon);
    if (status != kSuccess) return status;
    apply_manifest_edits(r->manifest, &launcher->resources);
    status = check_values_for_code_page(r->edits, launcher);
    if (status != kSuccess) return status;
    if (r->any_edit) {
        status = edit_launcher(r->edits, icon, launcher, image);
        if (status != kSuccess) return status;
    } else {
        *image = launcher->bytes;
    }
    const char* what = nullptr;
    if (!image_reads_back(*image, r->edits, icon, *launcher, &what) ||
        !read_pe_image(image->data(), image->size(), layout)) {
        fprintf(stderr, PACK_MSG_NO_READ_BACK, r->destination, what);
        return kWriteFailed;
    }
    printf(MSG_CREATING, r->destination, r->source);
    return kSuccess;
}

PackStatus configure(PackRequest* r) {
    if (destination_is_an_input(*r, r->source)) {
        fprintf(stderr, PACK_MSG_INPUT_IS_DESTINATION, r->destination);
        return kOpenFailed;
    }
    Launcher launcher;
    std::vector<unsigned char> image;
    PeImage layout;
    PackStatus status = make_image(r, r->source, &launcher, &image, &layout);
    if (status == kSuccess) status = write_program(r->destination, {&image, &layout, r->any_edit, nullptr, nullptr});
    if (status == kSuccess) fputs(MSG_SUCCESS, stdout);
    return status;
}

PackStatus pack_jar(PackRequest* r, const char* launcher_path, const InputFile& jar, const ArchiveInfo& archive) {
    Launcher launcher;
    std::vector<unsigned char> image;
    PeImage layout;
    PackStatus status = make_image(r, launcher_path, &launcher, &image, &layout);
    if (status == kSuccess) status = write_program(r->destination, {&image, &layout, r->any_edit, &jar, &archive});
    if (status == kSuccess) fputs(MSG_SUCCESS, stdout);
    return status;
}

PackStatus pack(PackRequest* r, const char* argv0) {
    std::string default_path;
    bool found = true;
    if (r->launcher == nullptr) default_path = default_launcher(argv0, &found);
    const char* launcher_path = r->launcher ? r->launcher : default_path.c_str();
    if (destination_is_an_input(*r, launcher_path)) {
        fprintf(stderr, PACK_MSG_INPUT_IS_DESTINATION, r->destination);
        return kOpenFailed;
    }
    InputFile jar;
    PackStatus status = open_input(r->source, 0, nullptr, &jar);
    if (status == kOpenFailed && !platform.names_special_file(r->source)) {
        // Missing or unreadable: no archive to judge.
        fprintf(stderr, PACK_MSG_CANNOT_OPEN, r->source, input_failure_reason(r->source));
        return kOpenFailed;
    }
    ArchiveInfo archive;
    if (status == kSuccess && !inspect_archive_file(jar, 0, &archive)) status = kNotAJar;
    if (status != kSuccess) {
        close_input(&jar);
        fprintf(stderr, MSG_NOT_A_JAR, r->source);
        return kNotAJar;
    }
    if (!archive.has_main_class) fputs(MSG_NO_MAIN_CLASS_ATTRIBUTE, stdout);
    if (!found) {
        close_input(&jar);
        fprintf(stderr, PACK_MSG_NO_LAUNCHER, launcher_path);
        return kOpenFailed;
    }
    status = pack_jar(r, launcher_path, jar, archive);
    close_input(&jar);
    return status;
}

PackStatus run(int argc, char** argv) {
    PackRequest request;
    PackStatus status = parse_request(argc, argv, &request);
    if (status != kSuccess || request.command == kCommandHelp) return status;
    bool writes = request.command == kCommandPack || request.command == kCommandConfigure;
    PackStatus manifest = writes ? load_manifest_file(&request.manifest) : kSuccess;
    if (manifest != kSuccess) return manifest;
    switch (request.command) {
        case kCommandVersion:
            fputs(PACK_MSG_VERSION, stdout);
            return kSuccess;
        case kCommandShow:
            return show(request.source);
        case kCommandConfigure:
            return configure(&request);
        default:
            return pack(&request, argv[0]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Progress lines reach a pipe before any error that follows them (some C
    // runtimes buffer _IOLBF streams fully, so none at all).
    setvbuf(stdout, nullptr, _IONBF, 0);
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        fputs(PACK_MSG_OUT_OF_MEMORY, stderr);
        return kOutOfMemory;
    } catch (...) {
        fputs(PACK_MSG_OUT_OF_MEMORY, stderr);
        return kOutOfMemory;
    }
}
