#include "runtime_capture.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstring>
#include <vector>

#include "settings/config.h"
#include "support/capture.h"
#include "support/files.h"

namespace {

// The address `name` has in the library loaded from `library`; null when it
// is not loaded or has no such symbol.
void* symbol_in(const std::string& library, const char* name) {
#ifdef _WIN32
    HMODULE module = GetModuleHandleA(library.c_str());
    return module ? reinterpret_cast<void*>(reinterpret_cast<INT_PTR>(GetProcAddress(module, name))) : nullptr;
#else
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return nullptr;
    void* address = dlsym(handle, name);
    dlclose(handle);
    return address;
#endif
}

}  // namespace

std::string shipped_value(int id) {
    char buffer[kConfigValueCapacity];
    return read_config_string(id, buffer, sizeof buffer) ? buffer : "";
}

std::string shipped_bad_version(const std::string& version, const std::string& wanted) {
    std::string message = shipped_value(kConfigBadVersionMessage);
    size_t at = message.find("%s");
    if (at != std::string::npos) message.replace(at, 2, version);
    return message + "This program runs on Java " + wanted + ".\n";
}

LoadedRuntime load_runtime_captured() {
    LoadedRuntime loaded;
    loaded.entry_points = {nullptr, nullptr};
    StreamCapture out(1);
    StreamCapture err(2);
    loaded.result = load_java_runtime(&loaded.entry_points);
    loaded.errors = err.finish();
    loaded.output = out.finish();
    return loaded;
}

FoundRuntime find_runtime_captured(int capacity) {
    const char kUntouched = 0x7f;
    std::vector<char> path(size_t(capacity) + 8, kUntouched);
    FoundRuntime found;
    StreamCapture out(1);
    StreamCapture err(2);
    found.result = find_runtime_library(path.data(), capacity);
    found.errors = err.finish();
    found.output = out.finish();
    for (size_t i = size_t(capacity); i < path.size(); ++i)
        if (path[i] != kUntouched) {
            ADD_FAILURE() << "path written past its capacity";
            break;
        }
    if (found.result) found.path = std::string(path.data(), strnlen(path.data(), size_t(capacity)));
    return found;
}

::testing::AssertionResult loads_from(const std::string& library) {
    LoadedRuntime l = load_runtime_captured();
    if (!l.result) return ::testing::AssertionFailure() << "not loaded: " << ::testing::PrintToString(l.errors);
    if (!l.errors.empty() || !l.output.empty())
        return ::testing::AssertionFailure() << "printed " << ::testing::PrintToString(l.errors + l.output);
    void* create = symbol_in(library, "JNI_CreateJavaVM");
    void* defaults = symbol_in(library, "JNI_GetDefaultJavaVMInitArgs");
    if (create == nullptr || reinterpret_cast<void*>(l.entry_points.create_vm) != create)
        return ::testing::AssertionFailure() << "JNI_CreateJavaVM not taken from " << library;
    if (defaults == nullptr || reinterpret_cast<void*>(l.entry_points.get_default_init_args) != defaults)
        return ::testing::AssertionFailure() << "JNI_GetDefaultJavaVMInitArgs not taken from " << library;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult refused_with(const std::string& message) {
    LoadedRuntime l = load_runtime_captured();
    if (l.result) return ::testing::AssertionFailure() << "loaded";
    if (!l.output.empty()) return ::testing::AssertionFailure() << "standard output: " << l.output;
    if (l.errors != as_written(message))
        return ::testing::AssertionFailure() << "printed " << ::testing::PrintToString(l.errors);
    return ::testing::AssertionSuccess();
}
