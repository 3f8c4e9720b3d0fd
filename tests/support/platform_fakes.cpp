#include "support/platform_fakes.h"

#include <jni.h>

#include <cstdio>
#include <cstring>
#include <set>

#include "support/files.h"

namespace {

ScriptedPlatform* current = nullptr;
std::map<unsigned, std::string> strings;
bool strings_fall_through = false;

jint JNICALL fake_create(JavaVM**, void**, void*) { return JNI_ERR; }
jint JNICALL fake_defaults(void*) { return JNI_OK; }
int fake_library_tag;

bool copy_if_fits(const std::string& text, char* buffer, size_t capacity) {
    if (text.size() >= capacity) return false;
    memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

StoredValue text_value(const std::string& text) { return {kRegistryTypeText, text + std::string(1, '\0')}; }

// The scripted entries, with access to the object they serve.
struct ScriptedEntries {
    static int load_string(unsigned id, char* buffer, int capacity) {
        auto entry = strings.find(id);
        if (entry == strings.end()) {
            if (strings_fall_through) return current->saved_.load_string(id, buffer, capacity);
            buffer[0] = '\0';
            return 0;
        }
        size_t n = entry->second.size();
        if (n > size_t(capacity - 1)) n = size_t(capacity - 1);
        memcpy(buffer, entry->second.data(), n);
        buffer[n] = '\0';
        return int(n);
    }

    static const char* get_env(const char* name) {
        auto it = current->environment.find(name);
        return it == current->environment.end() ? nullptr : it->second.c_str();
    }

    static bool expand_environment(const char* text, char* buffer, int capacity) {
        std::string out;
        for (const char* p = text; *p != '\0';) {
            const char* end = *p == '%' ? strchr(p + 1, '%') : nullptr;
            const char* value = end != nullptr ? get_env(std::string(p + 1, end).c_str()) : nullptr;
            if (value == nullptr) {
                out += *p++;
                continue;
            }
            out += value;
            p = end + 1;
        }
        return copy_if_fits(out, buffer, size_t(capacity));
    }

    static bool key_exists(const std::string& path) {
        auto it = current->keys.lower_bound(path);
        return it != current->keys.end() &&
               (it->first == path || it->first.compare(0, path.size() + 1, path + "\\") == 0);
    }

    static bool registry_open(RegistryKey parent, const char* subkey, RegistryRoot root, RegistryView view,
                              RegistryKey* key) {
        std::string path;
        if (parent != nullptr) {
            path = *static_cast<std::string*>(parent) + "\\" + subkey;
        } else {
            current->root_opens.push_back(subkey);
            const bool own = view == kOwnRegistryView;
            std::string bits = own == (current->own_view == "64") ? "64" : "32";
            path = std::string(root == kRegistryMachine ? "HKLM" : "HKCU") + bits + "\\" + subkey;
        }
        if (!key_exists(path)) return false;
        *key = new std::string(path);
        ++current->opened;
        return true;
    }

    static bool registry_query(RegistryKey key, const char* name, unsigned long* type, unsigned char* data,
                               unsigned long* size) {
        auto k = current->keys.find(*static_cast<std::string*>(key));
        if (k == current->keys.end()) return false;
        auto v = k->second.find(name);
        if (v == k->second.end()) return false;
        const StoredValue& stored = v->second;
        *type = stored.type;
        if (data != nullptr) {
            if (*size < stored.bytes.size()) {
                *size = static_cast<unsigned long>(stored.bytes.size());
                return false;
            }
            memcpy(data, stored.bytes.data(), stored.bytes.size());
        }
        *size = static_cast<unsigned long>(stored.bytes.size());
        return true;
    }

    static bool registry_subkey(RegistryKey key, unsigned long index, char* name, unsigned long capacity) {
        std::string prefix = *static_cast<std::string*>(key) + "\\";
        std::set<std::string> children;
        for (const auto& k : current->keys)
            if (k.first.compare(0, prefix.size(), prefix) == 0)
                children.insert(k.first.substr(prefix.size(), k.first.find('\\', prefix.size()) - prefix.size()));
        if (index >= children.size()) return false;
        auto it = children.begin();
        std::advance(it, long(index));
        if (!copy_if_fits(*it, name, capacity) && capacity > 0) name[0] = '\0';
        return true;
    }

    static void registry_close(RegistryKey key) {
        ++current->closed;
        delete static_cast<std::string*>(key);
    }

    static bool path_exists(const char* path) {
        current->existence_queries.push_back(path);
        return current->files.count(path) != 0;
    }

    static FILE* file_open(const char* path, const char* mode) {
        auto it = current->files.find(path);
        if (it == current->files.end() || mode[0] != 'r') return nullptr;
        std::string copy = *current->scratch_ / ("file" + std::to_string(++current->file_copies_));
        write_file(copy, it->second);
        return fopen(copy.c_str(), mode);
    }

    static bool same_file(const char* a, const char* b) { return current->files.count(a) != 0 && strcmp(a, b) == 0; }

    static bool full_path(const char* path, char* buffer, int capacity) {
        return copy_if_fits(path, buffer, size_t(capacity));
    }

    static unsigned long module_file_name(char* buffer, unsigned long capacity) {
        const std::string& module = current->module_file;
        if (module.empty() || capacity == 0) return 0;
        if (module.size() >= capacity) {
            memcpy(buffer, module.data(), capacity - 1);
            buffer[capacity - 1] = '\0';
            return capacity;
        }
        memcpy(buffer, module.c_str(), module.size() + 1);
        return static_cast<unsigned long>(module.size());
    }

    static void* load_library(const char* path) {
        current->loaded_paths.push_back(path);
        return current->library_loads ? &fake_library_tag : nullptr;
    }

    static void* find_symbol(void* library, const char* name) {
        current->symbols_asked.push_back(name);
        if (library != &fake_library_tag) return nullptr;
        if (strcmp(name, "JNI_CreateJavaVM") == 0) return ScriptedPlatform::create_vm_entry();
        if (strcmp(name, "JNI_GetDefaultJavaVMInitArgs") == 0 && current->library_has_defaults)
            return ScriptedPlatform::default_init_args_entry();
        return nullptr;
    }

    static void set_library_directory(const char*) {}
};

ScriptedPlatform::ScriptedPlatform()
    : own_view(kOwnRegistryView == kRegistryView64 ? "64" : "32"),
      saved_(platform),
      saved_home_(kWellKnownJavaHomes[0]) {
    current = this;
    strings.clear();
}

ScriptedPlatform::~ScriptedPlatform() {
    platform = saved_;
    kWellKnownJavaHomes[0] = saved_home_;
    strings.clear();
    current = nullptr;
}

void ScriptedPlatform::script_strings(bool fall_through) {
    strings_fall_through = fall_through;
    platform.load_string = ScriptedEntries::load_string;
}

void ScriptedPlatform::set_string(unsigned id, const std::string& text) { strings[id] = text; }

void ScriptedPlatform::clear_string(unsigned id) { strings.erase(id); }

void ScriptedPlatform::set_optional_string(unsigned id, const char* text) {
    if (text)
        set_string(id, text);
    else
        clear_string(id);
}

void ScriptedPlatform::script_environment() {
    platform.get_env = ScriptedEntries::get_env;
    platform.expand_environment = ScriptedEntries::expand_environment;
}

void ScriptedPlatform::script_registry() {
    platform.registry_open = ScriptedEntries::registry_open;
    platform.registry_query = ScriptedEntries::registry_query;
    platform.registry_subkey = ScriptedEntries::registry_subkey;
    platform.registry_close = ScriptedEntries::registry_close;
}

void ScriptedPlatform::script_files() {
    if (!scratch_) scratch_.reset(new ScratchDir("scripted"));
    platform.path_exists = ScriptedEntries::path_exists;
    platform.file_open = ScriptedEntries::file_open;
    platform.same_file = ScriptedEntries::same_file;
    platform.full_path = ScriptedEntries::full_path;
    platform.module_file_name = ScriptedEntries::module_file_name;
}

void ScriptedPlatform::script_loader() {
    platform.load_library = ScriptedEntries::load_library;
    platform.find_symbol = ScriptedEntries::find_symbol;
    platform.set_library_directory = ScriptedEntries::set_library_directory;
}

void* ScriptedPlatform::create_vm_entry() { return reinterpret_cast<void*>(fake_create); }

void* ScriptedPlatform::default_init_args_entry() { return reinterpret_cast<void*>(fake_defaults); }

void ScriptedPlatform::set_well_known_home(const char* home) {
    // A system without well-known homes has no entry to point elsewhere.
    if (saved_home_ != nullptr || home == nullptr) kWellKnownJavaHomes[0] = home;
}
