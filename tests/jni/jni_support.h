// Helpers for tests that run the launcher's code against a real Java VM:
// creating the VM through the launcher's own loading and creation code,
// reading Java values back, and checking pending exceptions.
#ifndef VANDREL_TESTS_JNI_JNI_SUPPORT_H
#define VANDREL_TESTS_JNI_JNI_SUPPORT_H

#include <gtest/gtest.h>
#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/runtime.h"
#include "vm/vm_options.h"

namespace jni_support {

// Directory holding the fixture archives built from tests/java/fixtures.
inline std::string fixture(const char* name) { return std::string(VANDREL_FIXTURE_DIR) + "/" + name; }

// The archives on the class path of a test VM. bad_manifest.jar is left out:
// its class comes from helpers.jar, so that the archive's broken manifest is
// only ever read through open_jar_file.
inline std::string fixture_class_path() {
    const char* jars[] = {"helpers.jar",    "probe.jar",          "manifest_named.jar", "manifest_slashed.jar",
                          "last_wins.jar",  "none_runnable.jar",  "runnable_first.jar", "private_main.jar",
                          "missing_super.jar", "umlaut.jar",      "plain_a.jar",        "suffixes.jar",
                          "many.jar"};
    std::string path;
    for (const char* jar : jars) {
        if (!path.empty()) path += ':';
        path += fixture(jar);
    }
    return path;
}

// Loads the runtime library the way the launcher does (JAVA_HOME names the
// runtime) and creates the VM with `options` through the option list. Null
// (with a message on stderr) when either step fails.
inline JNIEnv* create_vm(const std::vector<std::string>& options, JavaVM** vm_out) {
    RuntimeEntryPoints entry_points = {nullptr, nullptr};
    if (!load_java_runtime(&entry_points)) {
        fprintf(stderr, "the Java runtime library could not be loaded\n");
        return nullptr;
    }
    for (const std::string& option : options) add_vm_option(strdup(option.c_str()), nullptr);
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    if (!create_java_vm(&vm, &env, &entry_points)) {
        fprintf(stderr, "the Java VM could not be created\n");
        return nullptr;
    }
    *vm_out = vm;
    return env;
}

// The one Java VM of a test program (a process can create only one), made
// with create_vm before the first test and destroyed after the last:
//   ::testing::AddGlobalTestEnvironment(new jni_support::SharedVm({options...}));
// Tests reach it through SharedVm::env, null when it could not be made.
class SharedVm : public ::testing::Environment {
public:
    explicit SharedVm(std::vector<std::string> options) : options_(std::move(options)) {}
    void SetUp() override {
        env_ = create_vm(options_, &vm_);
        ASSERT_NE(env_, nullptr);
    }
    void TearDown() override {
        if (vm_ != nullptr) vm_->DestroyJavaVM();
    }
    static JNIEnv* env() { return env_; }

private:
    std::vector<std::string> options_;
    static inline JavaVM* vm_ = nullptr;
    static inline JNIEnv* env_ = nullptr;
};

// The modified UTF-8 bytes of a Java string; "<null>" for a null reference.
inline std::string utf(JNIEnv* env, jstring text) {
    if (text == nullptr) return "<null>";
    const char* bytes = env->GetStringUTFChars(text, nullptr);
    if (bytes == nullptr) return "<no bytes>";
    std::string result(bytes);
    env->ReleaseStringUTFChars(text, bytes);
    return result;
}

// The UTF-16 units of a Java string.
inline std::u16string utf16(JNIEnv* env, jstring text) {
    jsize length = env->GetStringLength(text);
    std::u16string result(size_t(length), u'\0');
    env->GetStringRegion(text, 0, length, reinterpret_cast<jchar*>(&result[0]));
    return result;
}

// System.getProperty(key); "<null>" when the property is not set.
inline std::string system_property(JNIEnv* env, const char* key) {
    jclass system = env->FindClass("java/lang/System");
    jmethodID get = env->GetStaticMethodID(system, "getProperty", "(Ljava/lang/String;)Ljava/lang/String;");
    jstring name = env->NewStringUTF(key);
    jstring value = static_cast<jstring>(env->CallStaticObjectMethod(system, get, name));
    std::string result = utf(env, value);
    env->DeleteLocalRef(value);
    env->DeleteLocalRef(name);
    env->DeleteLocalRef(system);
    return result;
}

// True when the pending exception is an instance of `class_name`; clears it.
inline bool take_exception_of(JNIEnv* env, const char* class_name) {
    jthrowable pending = env->ExceptionOccurred();
    if (pending == nullptr) return false;
    env->ExceptionClear();
    jclass expected = env->FindClass(class_name);
    bool matches = expected != nullptr && env->IsInstanceOf(pending, expected);
    env->DeleteLocalRef(expected);
    env->DeleteLocalRef(pending);
    return matches;
}

// The name of the pending exception's class, or "" when none is pending.
// The exception stays pending.
inline std::string pending_exception_name(JNIEnv* env) {
    jthrowable pending = env->ExceptionOccurred();
    if (pending == nullptr) return "";
    env->ExceptionClear();
    jclass cls = env->GetObjectClass(pending);
    jclass class_class = env->FindClass("java/lang/Class");
    jmethodID get_name = env->GetMethodID(class_class, "getName", "()Ljava/lang/String;");
    std::string name = utf(env, static_cast<jstring>(env->CallObjectMethod(cls, get_name)));
    env->Throw(pending);
    return name;
}

}  // namespace jni_support

#endif
