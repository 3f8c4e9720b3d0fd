// One scripted machine behind the launcher's platform table, for the test
// programs that link the core. Constructed, it saves the table; each script_*
// call replaces the entries of one area with entries that serve this
// object's records (and record what the core asked of them); destroyed, it
// restores the table as it was. Areas not scripted stay the real system's.
// One object at a time.
#ifndef VANDREL_TESTS_SUPPORT_PLATFORM_FAKES_H
#define VANDREL_TESTS_SUPPORT_PLATFORM_FAKES_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

class ScratchDir;

// Registry data exactly as stored: `bytes` holds a terminator only when it
// is part of the stored text.
struct StoredValue {
    unsigned long type;
    std::string bytes;
};

// A text value as Windows tools store it, terminator included.
StoredValue text_value(const std::string& text);

class ScriptedPlatform {
  public:
    ScriptedPlatform();
    ~ScriptedPlatform();
    ScriptedPlatform(const ScriptedPlatform&) = delete;
    ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;

    // The string table: ids set here read as load_string reads them (cut to
    // capacity - 1 and terminated); the others as absent, or from the real
    // table when `fall_through`.
    void script_strings(bool fall_through);
    void set_string(unsigned id, const std::string& text);
    void clear_string(unsigned id);
    // `text`, or absent when null.
    void set_optional_string(unsigned id, const char* text);

    // The environment is `environment` (names compare exactly), and
    // %NAME% in an expandable registry text becomes its value there.
    void script_environment();
    std::map<std::string, std::string> environment;

    // The registry is `keys`: each key by its full path, which begins with
    // its root and view ("HKLM32", "HKLM64", "HKCU32" or "HKCU64"); a key
    // exists when it or a key below it is listed. `own_view` ("32" or "64")
    // is the view of the program the machine runs, read when the core asks
    // for its own view.
    void script_registry();
    std::map<std::string, std::map<std::string, StoredValue>> keys;
    std::string own_view;
    std::vector<std::string> root_opens;  // keys opened under a root, as the core named them
    int opened = 0;
    int closed = 0;

    // The file system is `files` (path, then contents), read through
    // file_open; full_path gives a path as it is. The module file name is
    // `module_file` (empty: it cannot be had; cut as Windows cuts it).
    void script_files();
    std::map<std::string, std::string> files;
    std::string module_file;
    std::vector<std::string> existence_queries;

    // The loader loads every path when `library_loads`, recording it; the
    // library exports JNI_CreateJavaVM, and JNI_GetDefaultJavaVMInitArgs
    // when `library_has_defaults`.
    void script_loader();
    bool library_loads = true;
    bool library_has_defaults = true;
    std::vector<std::string> loaded_paths;
    std::vector<std::string> symbols_asked;
    // The entry points the scripted library exports.
    static void* create_vm_entry();
    static void* default_init_args_entry();

    // Java homes looked at after JAVA_HOME; empty: none.
    void set_well_known_home(const char* home);

  private:
    PlatformApi saved_;
    const char* saved_home_;
    std::unique_ptr<ScratchDir> scratch_;
    int file_copies_ = 0;
    friend struct ScriptedEntries;
};

#endif
