// A JNI environment of the tests' own for driving tunegate's native methods
// without a Java VM. Only the three JNI functions the library uses are
// filled in; each counts its calls and checks how it is used.
#ifndef VANDREL_TESTS_TUNEGATE_FAKE_JNI_H
#define VANDREL_TESTS_TUNEGATE_FAKE_JNI_H

#include <gtest/gtest.h>
#include <jni.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

struct FakeJni {
    JNINativeInterface_ table;
    JNIEnv env;
    // Java strings, by address: those the test made and those the library made.
    std::deque<std::string> strings;
    std::deque<bool> made_by_library;
    // Byte copies handed out by GetStringUTFChars and not yet released.
    std::vector<char*> outstanding;
    int get_calls;
    int release_calls;
    int new_calls;
    // Misuse seen: a copy flag asked for, a release of bytes never handed out
    // or for another string, bytes still held when a result was formed.
    int copy_flag_requests;
    int bad_releases;
    int held_at_new;
    // GetStringUTFChars fails (as when the VM is out of memory).
    bool fail_get;
};

// The environment the fake JNI functions report to.
extern FakeJni* fake_jni;

void fake_jni_reset(FakeJni* fake);

// A Java string holding these bytes.
jstring fake_jni_string(FakeJni* fake, const std::string& bytes);

// The bytes of a Java string of the fake; false if it is not one of them.
bool fake_jni_text(const FakeJni* fake, jstring string, std::string* bytes);

// True when the string was made by the library through NewStringUTF.
bool fake_jni_made_by_library(const FakeJni* fake, jstring string);

// A native method of the library: sendMciCommand or convertToShort.
typedef jstring(JNICALL* NativeMethod)(JNIEnv* env, jclass, jstring);

// Calls `method` with a Java string of `argument`, capturing what it prints
// on standard output into *printed.
jstring fake_jni_call(FakeJni* fake, NativeMethod method, const std::string& argument, std::string* printed);

// No misuse of the environment was seen and no bytes are still held.
::testing::AssertionResult fake_jni_used_correctly(const FakeJni& fake);

// The counts of GetStringUTFChars, ReleaseStringUTFChars and NewStringUTF
// calls are `get`, `release` and `made`.
::testing::AssertionResult fake_jni_calls(const FakeJni& fake, int get, int release, int made);

#endif
