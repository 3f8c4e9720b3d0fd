// The Java VM's option list and VM creation.
#ifndef VANDREL_LAUNCHER_VM_VM_OPTIONS_H
#define VANDREL_LAUNCHER_VM_VM_OPTIONS_H

#include <jni.h>

#include <cstdint>

#include "runtime/runtime.h"

// The growing list of options handed to VM creation. Stores the callers'
// string pointers; copies no text. Capacities run 4, 8, 16, ...
struct VmOptionList {
    int32_t capacity;
    int32_t count;
    JavaVMOption* entries;
};

// The process-wide list, empty at start; its block is freed by create_java_vm.
extern VmOptionList vm_option_list;

// A new heap string: `pattern` (one "%s", at most 40 bytes of its own) with `value`.
char* format_option(const char* pattern, const char* value);

// Appends one option, growing the block first when it is full.
void add_vm_option(char* option_string, void* extra_info);

// Adds "-Denv.class.path=" with CLASSPATH (when defined) and
// "-Dapplication.home=" with the executable's directory. False, with its
// message printed, when that directory cannot be determined.
bool add_standard_vm_options();

// Adds one item of value 5 or of the options file as an option, when its
// version marker takes in the loaded runtime (a ConfigItemHandler).
void add_line_as_option(char* item, void* context);

// Cuts value 5's buffer into its items and adds each as an option, the
// items with a version marker only when it takes in the loaded runtime.
void add_vm_options_from_lines(char* text);

// Adds the VM's exit hook when the console closes with the process or
// `action` is given (else nothing): through it System.exit runs `action`
// (when given) and then, with a non-zero status, pauses as pause_before_exit
// says.
void add_exit_hook_option(void (*action)() = nullptr);

// Adds "-Djava.class.path=" with `path`; always the last option.
void add_class_path_option(const char* path);

// Adds "-Dsun.java.command=" with `path` and the user's arguments, each
// after a blank, as java -jar names the archive and its arguments there.
void add_command_option(const char* path, int argc, char** argv);

// Creates the VM from the option list (printing the option dump when
// tracing), then frees the list's block. True when creation returned 0.
bool create_java_vm(JavaVM** vm, JNIEnv** env, const RuntimeEntryPoints* entry_points);

#endif
