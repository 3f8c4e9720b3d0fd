// Files of the tests: a scratch directory per test, whole-file reads and
// writes, and the names by which Windows programs know the build tree.
#ifndef VANDREL_TESTS_SUPPORT_FILES_H
#define VANDREL_TESTS_SUPPORT_FILES_H

#include <string>
#include <vector>

#ifdef _WIN32
constexpr char kNativeSeparator = '\\';
#else
constexpr char kNativeSeparator = '/';
#endif

// A new, empty directory under the running test program's directory, named
// after `tag` and unique to this process. Removed with everything in it on
// destruction, unless the running test has failed: then it is kept for
// inspection and its name printed. On POSIX its path holds no symbolic
// link, as the system reports module file names.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& tag = "t");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    // `name` (which may hold separators) joined to the directory.
    std::string operator/(const std::string& name) const { return path_ + kNativeSeparator + name; }

private:
    std::string path_;
};

// Full file name of the running test program, and its directory (without a
// trailing separator).
std::string program_path();
std::string program_directory();

// A path of the build tree (a Unix path) as a Windows program under Wine
// names it: on drive Z:, with backslashes.
std::string windows_path(const std::string& unix_path);

// The bytes a standard stream of this platform shows for `text`: line feeds
// become "\r\n" on Windows, where the standard streams are in text mode.
std::string as_written(const std::string& text);

// A whole file; empty when it cannot be read.
std::string read_file(const std::string& path);
// Writes (replacing) a whole file and, on POSIX, sets its mode; a failure
// fails the running test.
void write_file(const std::string& path, const std::string& bytes, unsigned mode = 0644);
void copy_file(const std::string& from, const std::string& to, unsigned mode = 0755);
// Creates a directory and any missing parents; a failure fails the running test.
void make_dir(const std::string& path);
// True when the name exists (a symbolic link counts, whatever it points to).
bool file_exists(const std::string& path);
// Names in a directory, sorted, without "." and "..".
std::vector<std::string> list_dir(const std::string& path);

#endif
