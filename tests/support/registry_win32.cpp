#include "support/registry.h"

#include <windows.h>

const char kLegacyRuntimeKey[] = "Software\\JavaSoft\\Java Runtime Environment";
const char kJreKey[] = "Software\\JavaSoft\\JRE";
const char kJdkKey[] = "Software\\JavaSoft\\JDK";

namespace {

const char kJavaSoft[] = "Software\\JavaSoft";
const char kSetAside[] = "Software\\VandrelTestsSetAside";

bool key_exists(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Copies the tree `from` to `to`, both under HKEY_LOCAL_MACHINE.
bool copy_key(const char* from, const char* to) {
    HKEY source, target;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, from, 0, KEY_READ, &source) != ERROR_SUCCESS) return false;
    bool copied = RegCreateKeyExA(HKEY_LOCAL_MACHINE, to, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target,
                                  nullptr) == ERROR_SUCCESS;
    if (copied) {
        copied = RegCopyTreeA(source, nullptr, target) == ERROR_SUCCESS;
        RegCloseKey(target);
    }
    RegCloseKey(source);
    return copied;
}

class RegistryIsolation : public ::testing::Environment {
public:
    void SetUp() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSetAside);
        set_aside_ = key_exists(kJavaSoft) && copy_key(kJavaSoft, kSetAside);
        clear_runtime_keys();
    }
    void TearDown() override {
        clear_runtime_keys();
        if (set_aside_) copy_key(kSetAside, kJavaSoft);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSetAside);
    }

private:
    bool set_aside_ = false;
};

[[maybe_unused]] ::testing::Environment* const isolation = ::testing::AddGlobalTestEnvironment(new RegistryIsolation);

}  // namespace

void clear_runtime_keys() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kJavaSoft); }

::testing::AssertionResult create_registry_key(const std::string& key) {
    HKEY k;
    LONG r = RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    if (r != ERROR_SUCCESS) return ::testing::AssertionFailure() << "cannot create " << key << ": error " << r;
    RegCloseKey(k);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult set_registry_value(const std::string& key, const char* name, unsigned long type,
                                              const std::string& bytes) {
    HKEY k;
    LONG r = RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    if (r != ERROR_SUCCESS) return ::testing::AssertionFailure() << "cannot create " << key << ": error " << r;
    r = RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
    RegCloseKey(k);
    if (r != ERROR_SUCCESS) return ::testing::AssertionFailure() << "cannot set " << key << "\\" << name << ": error " << r;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult set_registry_text(const std::string& key, const char* name, const std::string& text) {
    return set_registry_value(key, name, REG_SZ, text + std::string(1, '\0'));
}

::testing::AssertionResult register_runtime(const std::string& version, const std::string& runtime_lib,
                                            const std::string& key) {
    ::testing::AssertionResult r = set_registry_text(key, "CurrentVersion", version);
    if (!r) return r;
    std::string subkey = key + "\\" + version;
    return runtime_lib.empty() ? create_registry_key(subkey) : set_registry_text(subkey, "RuntimeLib", runtime_lib);
}
