// Work on the Java side: strings, the archive and its main class. None of
// these prints; on failure they return null and leave the Java exception
// pending unless documented otherwise. Nothing is cached between calls.
#ifndef VANDREL_LAUNCHER_MAIN_CLASS_H
#define VANDREL_LAUNCHER_MAIN_CLASS_H

#include <jni.h>

// True when a Java exception is pending; the exception stays pending. Every
// JNI call that may throw is followed by this check before the next call.
bool exception_pending(JNIEnv* env);

// Clears a pending exception without describing it; true when there was one.
bool clear_exception(JNIEnv* env);

// A new java.lang.String decoded by the charset of native text
// (sun.jnu.encoding), or by the default charset when that property is not
// set or names a charset the runtime lacks.
jstring java_string_from_native(JNIEnv* env, const char* text);

// A new String[] of `count` elements in vector order.
jobjectArray java_string_array_from_native(JNIEnv* env, char** strings, int count);

// The class named in dotted or slashed form, or null.
jclass find_class_dotted(JNIEnv* env, const char* name);

// A new java.util.jar.JarFile for `path`, or null when it is not a readable JAR.
jobject open_jar_file(JNIEnv* env, const char* path);

// The dotted main-class name: the manifest's Main-Class, else the last class
// of the archive with a static main(String[]); null when there is none.
jstring find_main_class_name(JNIEnv* env, jobject jar);

#endif
