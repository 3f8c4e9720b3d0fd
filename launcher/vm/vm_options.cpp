#include "vm/vm_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/config.h"
#include "base/diagnostics.h"
#include "base/messages.h"
#include "settings/option_markers.h"
#include "platform/platform.h"
#include "runtime/runtime_release.h"

VmOptionList vm_option_list = {0, 0, nullptr};

// Room for an option pattern's own text ("-Djava.class.path=" and the like)
// beside the value it takes.
constexpr int kOptionPatternRoom = 40;

char* format_option(const char* pattern, const char* value) {
    int size = static_cast<int>(strlen(value)) + kOptionPatternRoom;
    char* option = static_cast<char*>(allocate_or_exit(size));
    snprintf(option, size_t(size), pattern, value);
    return option;
}

namespace {

void (*exit_action)() = nullptr;

// Called by the VM with the status of System.exit, before it ends the process.
void JNICALL on_vm_exit(jint status) {
    if (exit_action != nullptr) exit_action();
    pause_before_exit(status);
}

}  // namespace

void add_vm_option(char* option_string, void* extra_info) {
    VmOptionList& list = vm_option_list;
    if (list.count >= list.capacity) {
        int32_t capacity = list.entries == nullptr ? 4 : list.capacity * 2;
        JavaVMOption* block =
            static_cast<JavaVMOption*>(allocate_or_exit(static_cast<int>(capacity * sizeof(JavaVMOption))));
        if (list.entries != nullptr) {
            memcpy(block, list.entries, list.count * sizeof(JavaVMOption));
            free(list.entries);
        }
        list.entries = block;
        list.capacity = capacity;
    }
    list.entries[list.count].optionString = option_string;
    list.entries[list.count].extraInfo = extra_info;
    ++list.count;
}

bool add_standard_vm_options() {
    const char* class_path = platform.get_env("CLASSPATH");
    if (class_path != nullptr) add_vm_option(format_option("-Denv.class.path=%s", class_path), nullptr);
    char home[kPathCapacity];
    if (!get_module_directory(home, sizeof home)) {
        print_error(MSG_NO_APPLICATION_HOME);
        return false;
    }
    add_vm_option(format_option("-Dapplication.home=%s", home), nullptr);
    return true;
}

void add_line_as_option(char* item, void*) {
    char* option = apply_version_marker(item, runtime_release.family);
    if (option != nullptr) add_vm_option(option, nullptr);
}

void add_vm_options_from_lines(char* text) { split_config_lines(text, add_line_as_option, nullptr); }

void add_exit_hook_option(void (*action)()) {
    exit_action = action;
    if (action != nullptr || console_closes_with_process())
        add_vm_option(const_cast<char*>("exit"), reinterpret_cast<void*>(on_vm_exit));
}

void add_class_path_option(const char* path) { add_vm_option(format_option("-Djava.class.path=%s", path), nullptr); }

void add_command_option(const char* path, int argc, char** argv) {
    size_t size = strlen(path) + kOptionPatternRoom;
    for (int i = 0; i < argc; ++i) size += strlen(argv[i]) + 1;
    char* option = static_cast<char*>(allocate_or_exit(static_cast<int>(size)));
    char* end = option + sprintf(option, "-Dsun.java.command=%s", path);
    for (int i = 0; i < argc; ++i) end += sprintf(end, " %s", argv[i]);
    add_vm_option(option, nullptr);
}

bool create_java_vm(JavaVM** vm, JNIEnv** env, const RuntimeEntryPoints* entry_points) {
    JavaVMInitArgs args;
    memset(&args, 0, sizeof args);
    args.version = JNI_VERSION_1_2;
    args.nOptions = vm_option_list.count;
    args.options = vm_option_list.entries;
    args.ignoreUnrecognized = JNI_FALSE;
    if (debug_trace) {
        print_trace(TRACE_VM_ARGS);
        print_trace(TRACE_VM_VERSION, static_cast<unsigned long>(args.version));
        print_trace(TRACE_VM_IGNORE, args.ignoreUnrecognized ? "JNI_TRUE" : "JNI_FALSE");
        print_trace(TRACE_VM_COUNT, static_cast<long>(args.nOptions));
        for (int i = 0; i < args.nOptions; ++i) print_trace(TRACE_VM_OPTION, i, args.options[i].optionString);
    }
    jint result = entry_points->create_vm(vm, reinterpret_cast<void**>(env), &args);
    free(vm_option_list.entries);
    vm_option_list.entries = nullptr;
    vm_option_list.capacity = 0;
    vm_option_list.count = 0;
    return result == 0;
}
