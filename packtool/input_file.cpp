#include "input_file.h"

#include "pack_messages.h"
#include "platform/files.h"

const char* input_failure_reason(const char* path) {
    return platform.path_exists(path) ? PACK_REASON_UNREADABLE : PACK_REASON_NO_FILE;
}

PackStatus open_input(const char* path, uint64_t limit, const char* limit_text, InputFile* out) {
    *out = InputFile{nullptr, path, 0, 0};
    // Only a regular file is opened: opening a FIFO would wait for a writer.
    bool special = platform.names_special_file(path);
    FILE* stream = special ? nullptr : platform.file_open(path, "rb");
    FileStatus status{};
    bool regular = stream != nullptr && system_is_regular_file(stream) && platform.file_status(stream, &status);
    bool fits = limit == 0 || status.size <= limit;
    if (!regular || !fits) {
        if (stream != nullptr) platform.file_close(stream);
        if (limit_text == nullptr) return regular ? kInputTooLarge : kOpenFailed;
        if (stream == nullptr && !special)
            fprintf(stderr, PACK_MSG_CANNOT_OPEN, path, input_failure_reason(path));
        else
            fprintf(stderr, !regular ? PACK_MSG_NOT_A_FILE : PACK_MSG_TOO_LARGE, path, limit_text);
        return regular ? kInputTooLarge : kOpenFailed;
    }
    out->stream = stream;
    out->size = status.size;
    out->modified = status.modified;
    return kSuccess;
}

bool read_input_at(const InputFile& in, uint64_t position, void* buffer, size_t size) {
    if (position > in.size || size > in.size - position) return false;
    return system_file_seek(in.stream, position) && fread(buffer, 1, size, in.stream) == size;
}

void close_input(InputFile* in) {
    if (in->stream != nullptr) platform.file_close(in->stream);
    in->stream = nullptr;
}

PackStatus read_whole_input(const char* path, uint64_t limit, const char* limit_text, std::vector<unsigned char>* out) {
    InputFile in;
    PackStatus status = open_input(path, limit, limit_text, &in);
    if (status != kSuccess) return status;
    out->resize(size_t(in.size));
    bool read = out->empty() || read_input_at(in, 0, out->data(), out->size());
    close_input(&in);
    if (!read) {
        fprintf(stderr, MSG_ERROR_READING, path);
        return kOpenFailed;
    }
    return kSuccess;
}
