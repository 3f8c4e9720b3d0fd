#include "image/packager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/atomic_file.h"
#include "base/diagnostics.h"
#include "vm/main_class.h"
#include "base/messages.h"
#include "platform/platform.h"
#include "zip_directory.h"

namespace {

// Room for the name of a temporary file when it is reported.
constexpr size_t kTemporaryNameCapacity = 4096;

enum CopyResult { kCopied, kCopyReadFailed, kCopyWriteFailed };

constexpr size_t kCopyBlock = 1024 * 1024;
// Room for the copy: a block, and the source's tail held back before it.
constexpr size_t kHeldTail = kZipTailMax;
constexpr size_t kCopyBuffer = kCopyBlock + kHeldTail;

bool write_all(const char* bytes, size_t n, FILE* out) { return n == 0 || fwrite(bytes, 1, n, out) == n; }

// Copies `in` to `out` until the end of `in`, a large block at a time, the
// streams' own buffers bypassed; `*copied` counts the bytes read. With
// `held_tail`, the last bytes are held back until the end and given to it
// before they are written.
CopyResult copy_stream(FILE* in, FILE* out, char* buffer, unsigned long long* copied,
                       void (*held_tail)(char* tail, size_t size, unsigned long long position, void* context),
                       void* context) {
    setvbuf(in, nullptr, _IONBF, 0);
    setvbuf(out, nullptr, _IONBF, 0);
    size_t held = 0;
    size_t keep = held_tail ? kHeldTail : 0;
    *copied = 0;
    size_t n;
    while ((n = fread(buffer + held, 1, kCopyBlock, in)) > 0) {
        *copied += n;
        held += n;
        if (held <= keep) continue;
        size_t flush = held - keep;
        if (!write_all(buffer, flush, out)) return kCopyWriteFailed;
        memmove(buffer, buffer + flush, keep);
        held = keep;
    }
    if (ferror(in)) return kCopyReadFailed;
    if (held_tail) held_tail(buffer, held, *copied - held, context);
    return write_all(buffer, held, out) ? kCopied : kCopyWriteFailed;
}

// Closes an input stream; false when reading it failed or the close failed.
bool close_input(FILE* in, CopyResult result) { return platform.file_close(in) == 0 && result != kCopyReadFailed; }

bool same_status(const FileStatus& a, const FileStatus& b) { return a.size == b.size && a.modified == b.modified; }

// The ZIP64 locator holds the absolute position of the ZIP64 end record: in
// the packed file the archive starts after the launcher, so the copied
// archive's locator gets the launcher's length added. Nothing else moves.
void rebase_zip64_locator_by_launcher(char* tail, size_t size, unsigned long long position, void* context) {
    unsigned long long launcher_length = *static_cast<unsigned long long*>(context);
    rebase_zip64_locator(reinterpret_cast<unsigned char*>(tail), size, position, launcher_length);
}

// Writes the launcher's file and then the source into `out`. Returns the
// packager's status; kPackaged when both were copied completely (the
// destination is yet to be put in place).
PackagerStatus write_packed_file(FILE* launcher, const char* executable_path, const char* source,
                                 const char* destination, FILE* out, char* buffer) {
    unsigned long long launcher_length = 0;
    CopyResult copied = copy_stream(launcher, out, buffer, &launcher_length, nullptr, nullptr);
    if (!close_input(launcher, copied)) {
        print_error(MSG_ERROR_CLOSING, executable_path);
        return kPackagerCannotReadLauncher;
    }
    if (copied == kCopyWriteFailed || fflush(out) != 0 || ferror(out)) {
        print_error(MSG_ERROR_WRITING, destination);
        return kPackagerLauncherNotWritten;
    }

    FILE* archive = platform.file_open(source, "rb");
    if (archive == nullptr) {
        print_error(MSG_ERROR_OPENING, source);
        return kPackagerCannotOpenSource;
    }
    FileStatus before, after;
    bool known = platform.file_status(archive, &before);
    unsigned long long archive_length = 0;
    copied = copy_stream(archive, out, buffer, &archive_length, rebase_zip64_locator_by_launcher, &launcher_length);
    // A source that changed while it was read gives no program.
    bool unchanged =
        !known || (platform.file_status(archive, &after) && same_status(before, after) && after.size == archive_length);
    if (!close_input(archive, copied) || (copied != kCopyWriteFailed && !unchanged)) {
        print_error(MSG_ERROR_READING, source);
        return kPackagerCannotReadSource;
    }
    if (copied == kCopyWriteFailed) {
        print_error(MSG_ERROR_WRITING, destination);
        return kPackagerNotWritten;
    }
    return kPackaged;
}

// Writes the packed file to `destination` through a temporary file. Prints
// every failure.
PackagerStatus pack(const char* executable_path, const char* source, const char* destination) {
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
    PackagerStatus status = write_packed_file(launcher, executable_path, source, destination, out.stream, buffer);
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
    jobject jar = open_jar_file(env, source);
    if (jar == nullptr) {
        clear_exception(env);
        print_error(MSG_NOT_A_JAR, source);
        show_usage(program_name);
        return kPackagerNotAJar;
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
    if (destination == nullptr) destination = "";
    print_info(MSG_CREATING, destination, source);

    // The inputs are never destroyed: a destination that is one of them is
    // refused, and the destination is replaced only once it is complete.
    if (destination[0] == '\0' || platform.same_file(destination, source) ||
        platform.same_file(destination, executable_path)) {
        print_error(MSG_ERROR_OPENING, destination);
        return kPackagerCannotOpen;
    }
    PackagerStatus status = pack(executable_path, source, destination);
    if (status == kPackaged) print_info(MSG_SUCCESS);
    return status;
}
