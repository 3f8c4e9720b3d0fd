#include "image/packager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/archive_copy.h"
#include "base/atomic_file.h"
#include "base/diagnostics.h"
#include "vm/main_class.h"
#include "base/messages.h"
#include "platform/platform.h"
#include "zip_directory.h"

namespace {

// Room for the name of a temporary file when it is reported.
constexpr size_t kTemporaryNameCapacity = 4096;

constexpr size_t kCopyBlock = 1024 * 1024;
// Room for the copy: a block, and the source's tail read after it.
constexpr size_t kCopyBuffer = kCopyBlock + kArchiveTailRoom;

bool write_all(const char* bytes, size_t n, FILE* out) { return n == 0 || fwrite(bytes, 1, n, out) == n; }

// Copies `in` to `out` until `length` bytes or the end of `in`, a large block
// at a time, the streams' own buffers bypassed; `*copied` counts the bytes read.
ArchiveCopy copy_stream(FILE* in, FILE* out, char* buffer, unsigned long long length, unsigned long long* copied) {
    setvbuf(in, nullptr, _IONBF, 0);
    setvbuf(out, nullptr, _IONBF, 0);
    *copied = 0;
    while (*copied < length) {
        unsigned long long left = length - *copied;
        size_t n = fread(buffer, 1, left < kCopyBlock ? size_t(left) : kCopyBlock, in);
        if (n == 0) break;
        *copied += n;
        if (!write_all(buffer, n, out)) return kArchiveWriteFailed;
    }
    return ferror(in) ? kArchiveReadFailed : kArchiveCopied;
}

// The archive's bytes before its tail, through the copy buffer `buffer`. One
// that ends early leaves its tail unread: append_archive refuses it.
ArchiveCopy copy_archive_body(FILE* in, unsigned long long length, FILE* out, void* buffer) {
    unsigned long long copied = 0;
    return copy_stream(in, out, static_cast<char*>(buffer), length, &copied);
}

// Closes an input stream; false when reading it failed or the close failed.
bool close_input(FILE* in, ArchiveCopy result) { return platform.file_close(in) == 0 && result != kArchiveReadFailed; }

// True when the archive reader finds an end record in the tail of a source
// of `size` bytes that follows `shift` bytes of launcher.
bool tail_has_end_record(const char* tail, unsigned long long size, unsigned long long shift) {
    size_t held = size < kZipTailMax ? size_t(size) : kZipTailMax;
    ZipEndRecord end;
    return find_end_record(ZipTail{reinterpret_cast<const unsigned char*>(tail), held, size - held + shift}, &end);
}

// Writes the launcher's file and then the source into `out`. Returns the
// packager's status; kPackaged when both were copied completely (the
// destination is yet to be put in place). With `check_tail` (no VM has
// opened the source as an archive), the copy's tail is checked by the
// archive reader, where it lies in the packed file.
PackagerStatus write_packed_file(FILE* launcher, const char* executable_path, const char* source,
                                 const char* destination, FILE* out, char* buffer, bool check_tail) {
    unsigned long long launcher_length = 0;
    ArchiveCopy copied = copy_stream(launcher, out, buffer, ~0ull, &launcher_length);  // to its end
    if (!close_input(launcher, copied)) {
        print_error(MSG_ERROR_CLOSING, executable_path);
        return kPackagerCannotReadLauncher;
    }
    if (copied == kArchiveWriteFailed || fflush(out) != 0 || ferror(out)) {
        print_error(MSG_ERROR_WRITING, destination);
        return kPackagerLauncherNotWritten;
    }

    FILE* archive = platform.file_open(source, "rb");
    if (archive == nullptr) {
        print_error(MSG_ERROR_OPENING, source);
        return kPackagerCannotOpenSource;
    }
    // A source that changed while it was read gives no program.
    FileStatus opened;
    copied = !platform.file_status(archive, &opened)
                 ? kArchiveReadFailed
                 : append_archive(archive, opened, out, launcher_length,
                                  reinterpret_cast<unsigned char*>(buffer + kCopyBlock), copy_archive_body, buffer);
    if (!close_input(archive, copied)) {
        print_error(MSG_ERROR_READING, source);
        return kPackagerCannotReadSource;
    }
    if (copied == kArchiveWriteFailed) {
        print_error(MSG_ERROR_WRITING, destination);
        return kPackagerNotWritten;
    }
    if (check_tail && !tail_has_end_record(buffer + kCopyBlock, opened.size, launcher_length)) {
        print_error(MSG_NOT_A_JAR, source);
        return kPackagerNotAJar;
    }
    return kPackaged;
}

// Writes the packed file to `destination` through a temporary file. Prints
// every failure.
PackagerStatus pack(const char* executable_path, const char* source, const char* destination, bool check_tail) {
    FILE* launcher = platform.file_open(executable_path, "rb");
    if (launcher == nullptr) {
        print_error(MSG_ERROR_OPENING, executable_path);
        return kPackagerCannotOpen;
    }
    // Taken before the destination exists, so that no allocation can fail
    // while it is half-written.
    char* buffer = static_cast<char*>(allocate_or_exit(static_cast<int>(kCopyBuffer)));
    AtomicFile out;
    if (!atomic_file_open(&out, destination)) {
        free(buffer);
        platform.file_close(launcher);
        print_error(MSG_ERROR_OPENING, destination);
        return kPackagerCannotOpen;
    }
    PackagerStatus status =
        write_packed_file(launcher, executable_path, source, destination, out.stream, buffer, check_tail);
    free(buffer);
    if (status == kPackaged && !atomic_file_commit(&out)) {
        print_error(MSG_ERROR_WRITING, destination);
        status = kPackagerNotWritten;
    }
    if (status != kPackaged) {
        char temporary[kTemporaryNameCapacity] = "";
        if (out.temporary != nullptr) snprintf(temporary, sizeof temporary, "%s", out.temporary);
        if (!atomic_file_abandon(&out)) print_error(MSG_ERROR_REMOVING, temporary);
    }
    return status;
}

}  // namespace

void show_usage(const char* program_name) { print_info(MSG_USAGE, program_name); }

char* derive_destination_name(const char* source) {
    size_t length = strlen(source);
    if (length < 4) return nullptr;
    char* name = static_cast<char*>(allocate_or_exit(static_cast<int>(length + 1)));
    memcpy(name, source, length - 4);
    memcpy(name + length - 4, ".exe", 5);
    return name;
}

PackagerStatus run_packager(JNIEnv* env, const char* executable_path, const char* program_name, int argc, char** argv) {
    // Asked for help, the usage is the answer, not a file named "--help".
    bool help = argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0);
    if (help || argc < 2 || argc > 3) {
        show_usage(program_name);
        return help ? kPackaged : kPackagerUsage;
    }
    const char* source = argv[1];
    // Opened as the VM opens it; without a VM, checked while it is copied.
    jobject jar = env != nullptr ? open_jar_file(env, source) : nullptr;
    if (jar == nullptr && env != nullptr) {
        clear_exception(env);
        print_error(MSG_NOT_A_JAR, source);
        show_usage(program_name);
        return kPackagerNotAJar;
    }
    if (jar != nullptr) {
        jstring main_class = find_main_class_name(env, jar);
        if (main_class == nullptr) {
            clear_exception(env);
            print_info(MSG_NO_MAIN_CLASS_ATTRIBUTE);
        } else {
            env->DeleteLocalRef(main_class);
        }
        env->DeleteLocalRef(jar);
    }

    const char* destination = argc == 3 ? argv[2] : derive_destination_name(source);
    if (destination == nullptr) destination = "";
    print_info(MSG_CREATING, destination, source);

    // The inputs are never destroyed: a destination that is one of them is
    // refused, and the destination is replaced only once it is complete.
    if (destination[0] == '\0' || platform.same_file(destination, source) ||
        platform.same_file(destination, executable_path)) {
        print_error(MSG_ERROR_OPENING, destination);
        return kPackagerCannotOpen;
    }
    PackagerStatus status = pack(executable_path, source, destination, env == nullptr);
    if (status == kPackaged) print_info(MSG_SUCCESS);
    return status;
}
