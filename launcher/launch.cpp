#include "launch.h"

#include <jni.h>

#include <cstdlib>
#include <cstring>

#include "child/separate_process.h"
#include "runtime/runtime_search.h"
#include "settings/config.h"
#include "base/diagnostics.h"
#include "settings/expansion.h"
#include "vm/main_class.h"
#include "base/messages.h"
#include "settings/options_file.h"
#include "image/own_image.h"
#include "image/packager.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "settings/single_instance.h"
#include "settings/startup_cache.h"
#include "vm/app_arguments.h"
#include "vm/vm_options.h"
#include "settings/working_directory.h"

const char* program_name = "";

namespace {

// Room for the module file name when it is compared with the name typed.
constexpr unsigned long kModuleNameCapacity = 4096;

// Appends the items of value 6 or 7, each expanded into `buffer`; false
// when they do not fit once expanded.
bool append_value_items(int id, char* buffer, AppArgv* argv) {
    return read_expanded_items(id, buffer, kConfigValueCapacity, append_line_to_argv, argv) >= 0;
}

// The application's argument vector: value 6's items (into `leading`), the
// user's arguments, value 7's items (into `trailing`). False when a value
// does not fit once expanded.
bool build_app_arguments(int argc, char** argv, char* leading, char* trailing, AppArgv* app_argv) {
    init_app_argv(app_argv);
    if (!append_value_items(kConfigLeadingArguments, leading, app_argv)) return false;
    for (int i = 0; i < argc; ++i) append_to_argv(app_argv, argv[i]);
    if (!append_value_items(kConfigTrailingArguments, trailing, app_argv)) return false;
    if (debug_trace) {
        print_trace(TRACE_APP_ARGC, app_argv->count);
        for (int i = 0; i < app_argv->count; ++i) print_trace(TRACE_APP_ARGV, i, app_argv->entries[i]);
    }
    return true;
}

// Finds the archive's main class and runs its main method on this thread
// with the configured and the user's arguments. Returns the exit status.
int launch_application(JNIEnv* env, JavaVM* vm, jobject jar, int argc, char** argv) {
    jstring name = find_main_class_name(env, jar);
    if (name == nullptr) {
        if (exception_pending(env)) env->ExceptionDescribe();
        print_error(MSG_NO_MAIN_CLASS);
        return 1;
    }
    apply_launch_attributes(env, jar);
    const char* name_bytes = env->GetStringUTFChars(name, nullptr);
    if (name_bytes == nullptr) {
        env->ExceptionDescribe();
        return 1;
    }
    char* main_class_name = copy_or_exit(name_bytes);  // printed by the trace below
    jclass main_class = find_class_dotted(env, name_bytes);
    env->ReleaseStringUTFChars(name, name_bytes);
    if (main_class == nullptr) {
        env->ExceptionDescribe();
        return 1;
    }
    int main_shape = main_method_shape(env, main_class);
    if (main_shape < 0) {
        if (exception_pending(env))
            env->ExceptionDescribe();
        else
            print_error(MSG_NO_MAIN_METHOD);
        return 1;
    }

    char leading[kConfigValueCapacity];
    char trailing[kConfigValueCapacity];
    AppArgv app_argv;
    if (debug_trace) print_trace(TRACE_MAIN_CLASS, main_class_name);
    if (!build_app_arguments(argc, argv, leading, trailing, &app_argv)) return 1;
    jobjectArray arguments = java_string_array_from_native(env, app_argv.entries, app_argv.count);
    free(app_argv.entries);
    if (arguments == nullptr) {
        env->ExceptionDescribe();
        return 1;
    }

    call_main(env, main_class, main_shape, arguments);
    if (exception_pending(env)) {
        env->ExceptionDescribe();
        return 1;
    }
    if (vm->DetachCurrentThread() != 0) {
        print_error(MSG_DETACH_FAILED);
        return 1;
    }
    return 0;
}

// Adds every VM option: the standard ones, value 5 (read into
// `vm_arguments`, which the options point into), the options file, the exit
// hook, the start-up cache, the class path and the command (`typed`: the
// user's arguments as typed). False on failure, its message printed.
bool add_launch_options(const char* executable_path, int argc, char** typed, char* vm_arguments) {
    if (!add_standard_vm_options() ||
        read_expanded_items(kConfigVmArguments, vm_arguments, kConfigValueCapacity, add_line_as_option, nullptr) < 0 ||
        !add_vm_options_from_file())
        return false;
    if (!add_startup_cache_options(executable_path)) return false;
    add_exit_hook_option(startup_cache_action());
    add_class_path_option(executable_path);
    add_command_option(executable_path, argc, typed);
    return true;
}

// The program run through its runtime's java program; its exit status.
int run_separately(const char* executable_path, int argc, char** argv) {
    char leading[kConfigValueCapacity];
    char trailing[kConfigValueCapacity];
    AppArgv app_argv;
    if (!build_app_arguments(argc, argv, leading, trailing, &app_argv)) return 1;
    int status = run_in_separate_process(separate_java, executable_path, app_argv);
    free(app_argv.entries);
    return status;
}

}  // namespace

char* form_executable_path(const char* first_argument) {
    char* path;
    if (strchr(first_argument, '.') == nullptr) {
        size_t length = strlen(first_argument);
        size_t suffix = strlen(kExecutableSuffix);
        path = static_cast<char*>(allocate_or_exit(static_cast<int>(length + suffix + 1)));
        memcpy(path, first_argument, length);
        memcpy(path + length, kExecutableSuffix, suffix + 1);
    } else {
        path = copy_or_exit(first_argument);
    }
    // The name typed is kept only when it leads to the running program: a
    // file of that name in the current directory, or a program found through
    // the search path, is somebody else's.
    char module[kModuleNameCapacity];
    bool known = get_module_file(module, sizeof module);
    if (known && platform.same_file(path, module)) return path;
    free(path);
    return known ? copy_or_exit(module) : nullptr;
}

int launcher_main(int argc, char** argv) {
    switch_trace_from_environment();
    // What the program's own file carries decides, before anything else,
    // whether it runs its archive or packs: a packed program never packs, and
    // the packager's arguments name files of the directory it was started in.
    OwnImage own_image = read_own_image();
    if (own_image == kOwnImageUnreadable) print_error(MSG_OWN_FILE_UNREADABLE);
    bool packed = own_image == kOwnImageCarries;
    if (own_image == kOwnImageUnreadable ||
        (packed && ((!making_startup_cache() && !claim_single_instance()) || !enter_working_directory())))
        return 1;

    RuntimeEntryPoints entry_points = {nullptr, nullptr};
    if (!load_java_runtime(&entry_points)) return 1;

    const char* first_argument = argc > 0 && argv[0] != nullptr ? argv[0] : "";
    const char* separator = strrchr(first_argument, kPathSeparator);
    program_name = separator ? separator + 1 : first_argument;
    int work_argc = argc > 0 ? argc - 1 : 0;
    char** work_argv = argc > 0 ? argv + 1 : argv;
    hoist_dash_j_arguments(&work_argc, &work_argv);

    char* executable_path = form_executable_path(first_argument);
    if (executable_path == nullptr) {
        print_error(MSG_NO_OWN_NAME);
        return 1;
    }
    char vm_arguments[kConfigValueCapacity];  // holds the options until the VM is made
    if (!add_launch_options(executable_path, work_argc, argv + (argc - work_argc), vm_arguments)) return 1;
    if (separate_java != nullptr)
        return packed ? run_separately(executable_path, work_argc, work_argv)
                      : run_packager(nullptr, executable_path, program_name, argc, argv);

    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    if (!create_java_vm(&vm, &env, &entry_points)) {
        print_error(MSG_VM_NOT_CREATED);
        return 1;
    }

    if (making_startup_cache()) return 1;  // the VM assembles the cache and ends the process itself
    int status = 1;
    jobject jar = packed ? open_jar_file(env, executable_path) : nullptr;
    if (!packed) {
        status = run_packager(env, executable_path, program_name, argc, argv);
    } else if (jar == nullptr) {
        clear_exception(env);
        print_error(MSG_DAMAGED_ARCHIVE, executable_path);
    } else {
        status = launch_application(env, vm, jar, work_argc, work_argv);
    }
    note_program_status(status);
    vm->DestroyJavaVM();
    finish_startup_cache();
    return status;
}
