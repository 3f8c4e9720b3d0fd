// A program of its own per VM: each mode creates one Java VM in a fresh
// process and reports on standard output.
//   vm_probe xcheck          runs every Java-side operation under -Xcheck:jni;
//                            the test fails on any "WARNING" the checker prints
//   vm_probe xcheck-misuse   keeps too many local references and skips an
//                            exception check, proving that the checker's
//                            warnings reach the output
//   vm_probe empty-option    creates a VM from configured lines holding an
//                            empty line, which gives an empty option
// Exit status 0 when every check held; each failed check prints "FAIL".
#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "jni_support.h"
#include "vm/main_class.h"
#include "vm/vm_options.h"

using jni_support::fixture;
using jni_support::utf;

namespace {

int failures = 0;

void check(bool condition, const std::string& what) {
    if (!condition) {
        printf("FAIL: %s\n", what.c_str());
        ++failures;
    }
}

void expect_main_class(JNIEnv* env, const char* jar_name, const char* expected) {
    jobject jar = open_jar_file(env, fixture(jar_name).c_str());
    if (jar == nullptr) {
        env->ExceptionClear();
        check(false, std::string(jar_name) + " opens");
        return;
    }
    jstring name = find_main_class_name(env, jar);
    check(!exception_pending(env), std::string(jar_name) + ": nothing pending");
    env->ExceptionClear();
    std::string got = utf(env, name);
    check(got == expected, std::string(jar_name) + ": " + got + " instead of " + expected);
    if (name != nullptr) env->DeleteLocalRef(name);
    env->DeleteLocalRef(jar);
}

int run_xcheck() {
    JavaVM* vm = nullptr;
    JNIEnv* env = jni_support::create_vm(
        {"-Xcheck:jni", "-Djava.class.path=" + jni_support::fixture_class_path(), "-Dfile.encoding=UTF-8"}, &vm);
    if (env == nullptr) return 1;

    expect_main_class(env, "many.jar", "many.C0010");
    expect_main_class(env, "missing_super.jar", "missingsuper.Last");
    expect_main_class(env, "bad_manifest.jar", "badmanifest.Runs");
    expect_main_class(env, "none_runnable.jar", "<null>");
    expect_main_class(env, "suffixes.jar", "<null>");
    expect_main_class(env, "manifest_named.jar", "app.Start");
    expect_main_class(env, "umlaut.jar", "pkg.Gr\xC3\xB6\xC3\x9F"
                                         "e");

    jobject missing = open_jar_file(env, fixture("no such archive.jar").c_str());
    check(missing == nullptr && exception_pending(env), "a missing archive leaves an exception pending");
    env->ExceptionClear();

    jclass found = find_class_dotted(env, "argsprobe.Record");
    check(found != nullptr, "find_class_dotted finds argsprobe.Record");
    jclass absent = find_class_dotted(env, "no.such.Klass");
    check(absent == nullptr && exception_pending(env), "find_class_dotted on an absent class");
    env->ExceptionClear();

    // With UTF-8 as the default charset, UTF-8 bytes come back unchanged.
    jstring text = java_string_from_native(env, "Gr\xC3\xB6\xC3\x9F"
                                                "e");
    check(text != nullptr && env->GetStringLength(text) == 5, "UTF-8 text decodes to five characters");
    if (text != nullptr) env->DeleteLocalRef(text);

    std::vector<std::string> arguments;
    for (int i = 0; i < 600; ++i) arguments.push_back("argument " + std::to_string(i));
    std::vector<char*> vector;
    for (std::string& argument : arguments) vector.push_back(&argument[0]);
    jobjectArray array = java_string_array_from_native(env, vector.data(), int(vector.size()));
    check(array != nullptr && env->GetArrayLength(array) == 600, "a String[] of 600 elements");
    if (array != nullptr && found != nullptr) {
        jmethodID main = env->GetStaticMethodID(found, "main", "([Ljava/lang/String;)V");
        env->CallStaticVoidMethod(found, main, array);
        check(!exception_pending(env), "main returns normally");
        env->ExceptionClear();
    }

    fflush(stdout);
    if (vm->DetachCurrentThread() != 0) check(false, "detach");
    vm->DestroyJavaVM();
    printf("xcheck run done, %d failures\n", failures);
    return failures == 0 ? 0 : 1;
}

int run_xcheck_misuse() {
    JavaVM* vm = nullptr;
    JNIEnv* env = jni_support::create_vm({"-Xcheck:jni"}, &vm);
    if (env == nullptr) return 1;
    // More local references than the frame's capacity, none deleted.
    for (int i = 0; i < 100; ++i) env->NewStringUTF("kept");
    // A call that may throw, followed by another call without checking.
    jclass system = env->FindClass("java/lang/System");
    jmethodID millis = env->GetStaticMethodID(system, "currentTimeMillis", "()J");
    env->CallStaticLongMethod(system, millis);
    env->FindClass("java/lang/String");
    fflush(stdout);
    vm->DestroyJavaVM();
    return 0;
}

int run_empty_option() {
    RuntimeEntryPoints entry_points = {nullptr, nullptr};
    if (!load_java_runtime(&entry_points)) return 1;
    char lines[] = "-Dvandrel.before=1\n\n-Dvandrel.after=2";
    add_vm_options_from_lines(lines);
    check(vm_option_list.count == 3 && vm_option_list.entries[1].optionString[0] == '\0',
          "the empty line gives an empty option");
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    bool created = create_java_vm(&vm, &env, &entry_points);
    printf("empty option: %s\n", created ? "accepted" : "refused");
    check(!created, "the VM refuses an empty option");
    if (created) vm->DestroyJavaVM();
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    setup_standard_streams();
    if (argc != 2) {
        fprintf(stderr, "usage: vm_probe xcheck|xcheck-misuse|empty-option\n");
        return 2;
    }
    if (strcmp(argv[1], "xcheck") == 0) return run_xcheck();
    if (strcmp(argv[1], "xcheck-misuse") == 0) return run_xcheck_misuse();
    if (strcmp(argv[1], "empty-option") == 0) return run_empty_option();
    fprintf(stderr, "unknown mode %s\n", argv[1]);
    return 2;
}
