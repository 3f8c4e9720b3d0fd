// Work on the Java side: strings, the archive and its main class. None of
// these prints (only the runtime's own launcher helper may, as under
// java -jar, when it applies launch attributes); on failure they return null and leave the Java exception
// pending unless documented otherwise. Nothing is cached between calls.
#ifndef VANDREL_LAUNCHER_VM_MAIN_CLASS_H
#define VANDREL_LAUNCHER_VM_MAIN_CLASS_H

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

// Lets the runtime apply the launch attributes of the manifest (Add-Opens,
// Add-Exports, Enable-Native-Access, Launcher-Agent-Class and whatever else
// its own java -jar applies), by its own rules, when the manifest names the
// main class; called before that class is initialised. A runtime without
// them applies nothing; an attribute it refuses ends the process as under
// java -jar. Nothing is left pending.
void apply_launch_attributes(JNIEnv* env, jobject jar);

// How the main method of `cls` is called: kMainStatic for the static
// main(String[]), else, where the running Java has instance and
// argument-free mains (Java 25 and later), the flags of the one it picks: a
// main(String[]) before a main(), static before instance. Negative when
// `cls` has none, with the missing static main(String[])'s error pending.
constexpr int kMainStatic = 0;
constexpr int kMainWithoutArguments = 1;
constexpr int kMainInstance = 2;
int main_method_shape(JNIEnv* env, jclass cls);

// Applies the checks the running Java's own launcher makes of the main class
// and method it found (from Java 25 on: an instance main needs a non-private
// no-argument constructor, a class that is not abstract and not an inner
// class): where one fails, it prints java -jar's message and ends the
// process with status 1, as java -jar does. Nothing on a runtime without
// them; nothing is left pending.
void check_main_as_runtime_does(JNIEnv* env, jclass cls);

// Calls the main method of that shape with `arguments` (which a main
// without arguments does not take), an instance main on a new instance made
// by the no-argument constructor, once check_main_as_runtime_does let it.
// The application's exception, if any, is left pending.
void call_main(JNIEnv* env, jclass cls, int shape, jobjectArray arguments);

#endif
