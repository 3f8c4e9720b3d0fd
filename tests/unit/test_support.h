// Helpers shared by the launcher's unit and runtime tests: capturing what a
// call writes to a standard stream, scratch directories in the build tree,
// and swapping single entries of the platform table.
#ifndef VANDREL_TEST_SUPPORT_H
#define VANDREL_TEST_SUPPORT_H

#include <string>

#include "platform/platform.h"
#include "runtime.h"

// Redirects file descriptor 1 or 2 into a file from construction until
// finish(), which returns every byte written meanwhile. The stream keeps its
// mode: on Windows a text-mode stream writes "\r\n" for each line feed.
class StreamCapture {
public:
    StreamCapture(int fd, const std::string& file);
    ~StreamCapture();
    std::string finish();

private:
    int fd_;
    int saved_;
    std::string file_;
};

// A new, empty directory under the running test program's directory, with a
// name unique to this process; removed with everything in it on destruction.
class ScratchDir {
public:
    explicit ScratchDir(const char* tag);
    ~ScratchDir();
    const std::string& path() const { return path_; }
    // `name` joined to the directory with this platform's separator.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// What load_java_runtime did: its result, the entry points it set, and what
// it printed on standard error and standard output.
struct LoadedRuntime {
    bool result;
    RuntimeEntryPoints entry_points;
    std::string errors;
    std::string output;
};

// Calls load_java_runtime with both standard streams captured in files of `scratch`.
LoadedRuntime load_runtime_captured(const ScratchDir& scratch);

// The text a stream of this platform shows for `text`: line feeds become
// "\r\n" on Windows, where standard streams are in text mode.
std::string as_written(const std::string& text);

// Directory of the running test program, without a trailing separator.
std::string program_directory();
// `name` joined to `directory` with this platform's separator.
std::string file_in(const std::string& directory, const std::string& name);

// Reads a whole file; empty when it cannot be read.
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

// Restores the platform table as it was at construction.
class PlatformRestorer {
public:
    PlatformRestorer() : saved_(platform) {}
    ~PlatformRestorer() { platform = saved_; }

private:
    PlatformApi saved_;
};

// A string table served from memory instead of the executable: entries set
// with set() are returned as load_string returns them (cut to capacity - 1
// and terminated); the others read as absent, or from the real table when
// `fall_through` is true. Installed into `platform` until destruction.
class FakeStringTable {
public:
    explicit FakeStringTable(bool fall_through);
    ~FakeStringTable();
    void set(unsigned id, const std::string& text);
    void clear(unsigned id);

private:
    PlatformRestorer restorer_;
};

#endif
