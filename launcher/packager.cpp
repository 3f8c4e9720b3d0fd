#include "packager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "diagnostics.h"
#include "launch.h"
#include "main_class.h"
#include "messages.h"
#include "platform/platform.h"

namespace {

enum CopyResult { kCopied, kReadFailed, kWriteFailed };

constexpr int kCopyBlock = 1024 * 1024;

// Copies `in` to the end of `out` until the end of `in`, a large block at a
// time, the streams' own buffers bypassed.
CopyResult copy_stream(FILE* in, FILE* out) {
    setvbuf(in, nullptr, _IONBF, 0);
    setvbuf(out, nullptr, _IONBF, 0);
    char* block = static_cast<char*>(allocate_or_exit(kCopyBlock));
    CopyResult result = kCopied;
    size_t n;
    while ((n = fread(block, 1, kCopyBlock, in)) > 0) {
        if (fwrite(block, 1, n, out) != n) {
            result = kWriteFailed;
            break;
        }
    }
    if (result == kCopied && ferror(in)) result = kReadFailed;
    free(block);
    return result;
}

// Closes an output stream; false when any earlier write or the close failed.
bool close_output(FILE* out) {
    bool ok = !ferror(out) && fflush(out) == 0;
    return platform.file_close(out) == 0 && ok;
}

// Closes an input stream; false when reading it failed or the close failed.
bool close_input(FILE* in, CopyResult result) { return platform.file_close(in) == 0 && result != kReadFailed; }

// The temporary file beside the destination that receives the copies: a
// name that no existing file has (which could be an input, or anybody's
// file), the destination followed by ".vandrel-part" and maybe a number.
char* temporary_name(const char* destination) {
    const char suffix[] = ".vandrel-part";
    size_t length = strlen(destination);
    size_t capacity = length + sizeof suffix + 10;
    char* name = static_cast<char*>(allocate_or_exit(static_cast<int>(capacity)));
    memcpy(name, destination, length);
    memcpy(name + length, suffix, sizeof suffix);
    for (unsigned n = 1; platform.path_exists(name) && n < 1000000u; ++n)
        snprintf(name + length + sizeof suffix - 1, capacity - length - sizeof suffix + 1, "%u", n);
    return name;
}

// Writes the launcher's file and then the source into `target` (the file
// that becomes the destination). Returns the packager's status; 0 when both
// copies were written completely.
int write_packed_file(const char* executable_path, const char* source, const char* destination,
                      const char* target) {
    FILE* out = target ? platform.file_open(target, "wb") : nullptr;
    FILE* launcher = platform.file_open(executable_path, "rb");
    if (launcher == nullptr) {
        if (out) platform.file_close(out);
        print_error(MSG_ERROR_OPENING, executable_path);
        return 3;
    }
    if (out == nullptr) {
        platform.file_close(launcher);
        print_error(MSG_ERROR_OPENING, destination);
        return 3;
    }
    CopyResult copied = copy_stream(launcher, out);
    if (!close_input(launcher, copied)) {
        platform.file_close(out);
        print_error(MSG_ERROR_CLOSING, executable_path);
        return 4;
    }
    if (!close_output(out) || copied == kWriteFailed) {
        print_error(MSG_ERROR_WRITING, destination);
        return 5;
    }

    FILE* archive = platform.file_open(source, "rb");
    out = platform.file_open(target, "ab");
    if (archive == nullptr || out == nullptr) {
        if (archive) platform.file_close(archive);
        if (out) platform.file_close(out);
        print_error(MSG_ERROR_OPENING, archive == nullptr ? source : destination);
        return 6;
    }
    copied = copy_stream(archive, out);
    if (!close_input(archive, copied)) {
        platform.file_close(out);
        print_error(MSG_ERROR_READING, source);
        return 7;
    }
    if (!close_output(out) || copied == kWriteFailed) {
        print_error(MSG_ERROR_WRITING, destination);
        return 8;
    }
    return 0;
}

}  // namespace

void show_usage() { print_info(MSG_USAGE, program_name); }

char* derive_destination_name(const char* source) {
    size_t length = strlen(source);
    if (length < 4) return nullptr;
    char* name = static_cast<char*>(allocate_or_exit(static_cast<int>(length + 1)));
    memcpy(name, source, length - 4);
    memcpy(name + length - 4, ".exe", 5);
    return name;
}

int run_packager(JNIEnv* env, const char* executable_path, int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        show_usage();
        return 1;
    }
    const char* source = argv[1];
    jobject jar = open_jar_file(env, source);
    if (jar == nullptr) {
        clear_exception(env);
        print_error(MSG_NOT_A_JAR, source);
        show_usage();
        return 2;
    }
    jstring main_class = find_main_class_name(env, jar);
    if (main_class == nullptr) {
        clear_exception(env);
        print_info(MSG_NO_MAIN_CLASS_ATTRIBUTE);
    } else {
        env->DeleteLocalRef(main_class);
    }
    env->DeleteLocalRef(jar);

    const char* destination = argc == 3 ? argv[2] : derive_destination_name(source);
    print_info(MSG_CREATING, destination ? destination : "", source);

    // The inputs are never destroyed: a destination that is one of them is
    // refused, and the destination is replaced only once it is complete.
    if (destination != nullptr &&
        (platform.same_file(destination, source) || platform.same_file(destination, executable_path))) {
        print_error(MSG_ERROR_OPENING, destination);
        return 3;
    }
    // A destination that exists but is no regular file (a device, a
    // directory) is opened as it is: there is no file to keep or replace.
    if (destination != nullptr && platform.names_special_file(destination)) {
        int status = write_packed_file(executable_path, source, destination, destination);
        if (status == 0) print_info(MSG_SUCCESS);
        return status;
    }
    char* temporary = destination ? temporary_name(destination) : nullptr;
    int status = write_packed_file(executable_path, source, destination ? destination : "", temporary);
    if (status == 0 && !platform.replace_file(temporary, destination)) {
        print_error(MSG_ERROR_WRITING, destination);
        status = 8;
    }
    if (status != 0 && temporary != nullptr) platform.remove_file(temporary);
    free(temporary);
    if (status == 0) print_info(MSG_SUCCESS);
    return status;
}
