#include "vm/main_class.h"

#include <cstdlib>
#include <cstring>

#include "base/diagnostics.h"
#include "base/text_rules.h"

namespace {

const char kMainName[] = "main";
const char kMainSignature[] = "([Ljava/lang/String;)V";

void delete_local(JNIEnv* env, jobject ref) {
    if (ref != nullptr) env->DeleteLocalRef(ref);
}

// Calls a no-argument object method; null when it yields null or throws.
jobject call_object(JNIEnv* env, jobject target, jmethodID method) {
    jobject result = env->CallObjectMethod(target, method);
    if (exception_pending(env)) {
        delete_local(env, result);
        return nullptr;
    }
    return result;
}

// `text` without its trailing blanks (spaces and tabs), as java -jar takes a
// manifest value; `text` itself when it has none, null when the shorter
// string cannot be made (exception pending).
jstring without_trailing_blanks(JNIEnv* env, jstring text) {
    const char* bytes = env->GetStringUTFChars(text, nullptr);
    if (bytes == nullptr) return nullptr;
    size_t length = strlen(bytes);
    jint blanks = jint(length - length_without_trailing_blanks(bytes, length));
    env->ReleaseStringUTFChars(text, bytes);
    if (blanks == 0) return text;
    // Blanks are one byte and one character each.
    jclass string_class = env->GetObjectClass(text);
    jmethodID length_method = env->GetMethodID(string_class, "length", "()I");
    jmethodID substring =
        length_method ? env->GetMethodID(string_class, "substring", "(II)Ljava/lang/String;") : nullptr;
    jstring result = nullptr;
    if (substring != nullptr) {
        jint characters = env->CallIntMethod(text, length_method);
        if (!exception_pending(env))
            result = static_cast<jstring>(env->CallObjectMethod(text, substring, jint(0), characters - blanks));
    }
    if (exception_pending(env)) {
        delete_local(env, result);
        result = nullptr;
    }
    delete_local(env, string_class);
    delete_local(env, text);
    return result;
}

// Calls the no-argument object method `name` of `target`; null when it
// yields null or throws (exception pending). Sets *failed when there is no
// such method (exception pending). The class reference lives until the VM
// ends.
jobject call_named(JNIEnv* env, jobject target, const char* name, const char* signature, bool* failed) {
    jmethodID method = env->GetMethodID(env->GetObjectClass(target), name, signature);
    if (method == nullptr) *failed = true;
    return method ? call_object(env, target, method) : nullptr;
}

// The main attributes of the manifest that `jar` keeps, or null when the
// archive has no manifest or it has none; *failed as for call_named.
jobject main_attributes(JNIEnv* env, jobject jar, bool* failed) {
    jobject manifest = call_named(env, jar, "getManifest", "()Ljava/util/jar/Manifest;", failed);
    jobject attributes =
        manifest ? call_named(env, manifest, "getMainAttributes", "()Ljava/util/jar/Attributes;", failed) : nullptr;
    delete_local(env, manifest);
    return attributes;
}

// The "Main-Class" attribute of the archive's manifest, or null when the
// archive has no manifest, no main attributes or no such attribute. Sets
// *failed when a platform method cannot be looked up (exception pending).
jstring main_class_from_manifest(JNIEnv* env, jobject jar, bool* failed) {
    jstring result = nullptr;
    jobject attributes = main_attributes(env, jar, failed);
    if (attributes != nullptr) {
        jclass attributes_class = env->GetObjectClass(attributes);
        jmethodID get_value = env->GetMethodID(attributes_class, "getValue", "(Ljava/lang/String;)Ljava/lang/String;");
        jstring key = get_value ? java_string_from_native(env, "Main-Class") : nullptr;
        if (key == nullptr) {
            *failed = true;
        } else {
            result = static_cast<jstring>(env->CallObjectMethod(attributes, get_value, key));
            if (exception_pending(env)) {
                delete_local(env, result);
                result = nullptr;
            } else if (result != nullptr) {
                result = without_trailing_blanks(env, result);
                if (result == nullptr) *failed = true;
            }
        }
        delete_local(env, key);
        delete_local(env, attributes_class);
        delete_local(env, attributes);
    }
    return result;
}

// The dotted name of `cls` when it has a static main(String[]), else null
// with nothing pending. Sets *failed when Class.getName cannot be found.
jstring name_if_runnable(JNIEnv* env, jclass cls, bool* failed) {
    jmethodID main = env->GetStaticMethodID(cls, kMainName, kMainSignature);
    jstring name = nullptr;
    if (main != nullptr) {
        jclass class_class = env->GetObjectClass(cls);
        jmethodID get_name = env->GetMethodID(class_class, "getName", "()Ljava/lang/String;");
        if (get_name == nullptr) {
            *failed = true;
        } else {
            name = static_cast<jstring>(call_object(env, cls, get_name));
        }
        delete_local(env, class_class);
    }
    clear_exception(env);  // a class without such a method raises NoSuchMethodError
    return name;
}

// Tries one archive entry as a candidate; replaces *result when it names a
// class with a static main(String[]). False when the scan must end with null.
bool try_entry(JNIEnv* env, jobject entry, jmethodID get_entry_name, jstring* result) {
    jstring name = static_cast<jstring>(call_object(env, entry, get_entry_name));
    if (name == nullptr) {
        clear_exception(env);
        return true;
    }
    const char* bytes = env->GetStringUTFChars(name, nullptr);
    if (bytes == nullptr) {
        clear_exception(env);
        delete_local(env, name);
        return true;
    }
    bool ok = true;
    size_t length = strlen(bytes);
    const char suffix[] = ".class";
    const size_t suffix_length = sizeof suffix - 1;
    if (length > suffix_length && memcmp(bytes + length - suffix_length, suffix, suffix_length) == 0) {
        size_t candidate_length = length - suffix_length;
        // The candidate copy comes from the C heap directly; when it cannot
        // be had, the entry is skipped.
        char* candidate = static_cast<char*>(malloc(candidate_length + 1));
        if (candidate != nullptr) {
            memcpy(candidate, bytes, candidate_length);
            candidate[candidate_length] = '\0';
            if (strchr(candidate, '$') == nullptr) {
                jclass cls = env->FindClass(candidate);
                if (clear_exception(env)) {
                    delete_local(env, cls);
                    cls = nullptr;
                }
                if (cls != nullptr) {
                    bool failed = false;
                    jstring found = name_if_runnable(env, cls, &failed);
                    if (failed) ok = false;
                    if (found != nullptr) {
                        delete_local(env, *result);
                        *result = found;
                    }
                    delete_local(env, cls);
                }
            }
            free(candidate);
        }
    }
    env->ReleaseStringUTFChars(name, bytes);
    delete_local(env, name);
    return ok;
}

// The last class of the archive, in enumeration order, that has a static
// main(String[]); null when none has.
jstring main_class_from_scan(JNIEnv* env, jclass jar_class, jobject jar) {
    jmethodID entries_method = env->GetMethodID(jar_class, "entries", "()Ljava/util/Enumeration;");
    if (entries_method == nullptr) return nullptr;
    jobject entries = call_object(env, jar, entries_method);
    if (entries == nullptr) return nullptr;
    jmethodID size_method = env->GetMethodID(jar_class, "size", "()I");
    if (size_method == nullptr) {
        delete_local(env, entries);
        return nullptr;
    }
    jint count = env->CallIntMethod(jar, size_method);
    if (exception_pending(env)) count = 0;

    jstring result = nullptr;
    jclass enumeration_class = env->GetObjectClass(entries);
    jmethodID next_element = env->GetMethodID(enumeration_class, "nextElement", "()Ljava/lang/Object;");
    jclass zip_entry_class = next_element ? env->FindClass("java/util/zip/ZipEntry") : nullptr;
    jmethodID get_entry_name =
        zip_entry_class ? env->GetMethodID(zip_entry_class, "getName", "()Ljava/lang/String;") : nullptr;
    if (get_entry_name != nullptr) {
        for (jint i = 0; i < count; ++i) {
            jobject entry = call_object(env, entries, next_element);
            if (entry == nullptr) {
                clear_exception(env);
                continue;
            }
            bool ok = try_entry(env, entry, get_entry_name, &result);
            delete_local(env, entry);
            if (!ok) {
                delete_local(env, result);
                result = nullptr;
                break;
            }
        }
    }
    delete_local(env, zip_entry_class);
    delete_local(env, enumeration_class);
    delete_local(env, entries);
    return result;
}

}  // namespace

bool exception_pending(JNIEnv* env) {
    jthrowable pending = env->ExceptionOccurred();
    if (pending == nullptr) return false;
    env->DeleteLocalRef(pending);
    return true;
}

bool clear_exception(JNIEnv* env) {
    if (!exception_pending(env)) return false;
    env->ExceptionClear();
    return true;
}

// The charset of native text: the system property sun.jnu.encoding, which
// Java 18 and later keep apart from the default charset. Null when it is not
// set, with an exception pending when it could not be read.
jstring native_encoding(JNIEnv* env) {
    jclass system_class = env->FindClass("java/lang/System");
    if (system_class == nullptr) return nullptr;
    jmethodID get_property =
        env->GetStaticMethodID(system_class, "getProperty", "(Ljava/lang/String;)Ljava/lang/String;");
    jstring name = get_property != nullptr ? env->NewStringUTF("sun.jnu.encoding") : nullptr;
    jstring encoding = nullptr;
    if (name != nullptr) encoding = static_cast<jstring>(env->CallStaticObjectMethod(system_class, get_property, name));
    if (exception_pending(env)) {
        delete_local(env, encoding);
        encoding = nullptr;
    }
    delete_local(env, name);
    delete_local(env, system_class);
    return encoding;
}

// new String(bytes, encoding); null, with no exception left pending, when the
// runtime does not know the encoding.
jstring decode_with(JNIEnv* env, jclass string_class, jbyteArray bytes, jstring encoding) {
    jmethodID constructor = env->GetMethodID(string_class, "<init>", "([BLjava/lang/String;)V");
    jstring result = nullptr;
    if (constructor != nullptr)
        result = static_cast<jstring>(env->NewObject(string_class, constructor, bytes, encoding));
    if (clear_exception(env)) {
        delete_local(env, result);
        result = nullptr;
    }
    return result;
}

jstring java_string_from_native(JNIEnv* env, const char* text) {
    jsize length = static_cast<jsize>(strlen(text));
    jclass string_class = env->FindClass("java/lang/String");
    if (string_class == nullptr) return nullptr;
    jmethodID constructor = env->GetMethodID(string_class, "<init>", "([B)V");
    if (constructor == nullptr) {
        delete_local(env, string_class);
        return nullptr;
    }
    jbyteArray bytes = env->NewByteArray(length);
    if (bytes == nullptr) {
        delete_local(env, string_class);
        return nullptr;
    }
    env->SetByteArrayRegion(bytes, 0, length, reinterpret_cast<const jbyte*>(text));
    jstring result = nullptr;
    jstring encoding = exception_pending(env) ? nullptr : native_encoding(env);
    if (encoding != nullptr) {
        result = decode_with(env, string_class, bytes, encoding);
        delete_local(env, encoding);
    }
    // Without the property (or with an encoding the runtime lacks), the
    // default charset decodes, as String(byte[]) does.
    if (result == nullptr && !exception_pending(env)) {
        result = static_cast<jstring>(env->NewObject(string_class, constructor, bytes));
        if (exception_pending(env)) {
            delete_local(env, result);
            result = nullptr;
        }
    }
    delete_local(env, bytes);
    delete_local(env, string_class);
    return result;
}

jobjectArray java_string_array_from_native(JNIEnv* env, char** strings, int count) {
    jclass string_class = env->FindClass("java/lang/String");
    if (string_class == nullptr) return nullptr;
    jobjectArray array = env->NewObjectArray(count, string_class, nullptr);
    delete_local(env, string_class);
    if (array == nullptr) return nullptr;
    for (int i = 0; i < count; ++i) {
        jstring element = java_string_from_native(env, strings[i]);
        if (element == nullptr) {
            delete_local(env, array);
            return nullptr;
        }
        env->SetObjectArrayElement(array, i, element);
        delete_local(env, element);
        if (exception_pending(env)) {
            delete_local(env, array);
            return nullptr;
        }
    }
    return array;
}

jclass find_class_dotted(JNIEnv* env, const char* name) {
    size_t length = strlen(name);
    char* slashed = static_cast<char*>(allocate_or_exit(static_cast<int>(length + 1)));
    for (size_t i = 0; i <= length; ++i) slashed[i] = name[i] == '.' ? '/' : name[i];
    jclass cls = env->FindClass(slashed);
    free(slashed);
    return cls;
}

jobject open_jar_file(JNIEnv* env, const char* path) {
    jclass jar_class = env->FindClass("java/util/jar/JarFile");
    if (jar_class == nullptr) return nullptr;
    jobject jar = nullptr;
    jmethodID constructor = env->GetMethodID(jar_class, "<init>", "(Ljava/lang/String;)V");
    jstring path_string = constructor ? java_string_from_native(env, path) : nullptr;
    if (path_string != nullptr) {
        jar = env->NewObject(jar_class, constructor, path_string);
        delete_local(env, path_string);
    }
    delete_local(env, jar_class);
    return jar;
}

jstring find_main_class_name(JNIEnv* env, jobject jar) {
    jclass jar_class = env->GetObjectClass(jar);
    bool failed = false;
    jstring result = main_class_from_manifest(env, jar, &failed);
    if (result == nullptr && !failed) {
        // A manifest that could not be read leaves its exception pending; the
        // scan must not run with it.
        clear_exception(env);
        result = main_class_from_scan(env, jar_class, jar);
    }
    delete_local(env, jar_class);
    return result;
}

namespace {

const char kLauncherHelper[] = "sun/launcher/LauncherHelper";
const char kNoArgumentsSignature[] = "()V";

// The runtime's own launcher helper, its messages sent to standard error as
// java -jar sends them; null, with nothing pending, when it has none (a
// failed lookup leaves an exception to clear).
jclass launcher_helper(JNIEnv* env) {
    jclass helper = env->FindClass(kLauncherHelper);
    jmethodID init_output = helper ? env->GetStaticMethodID(helper, "initOutput", "(Z)V") : nullptr;
    jvalue to_standard_error;
    to_standard_error.z = JNI_TRUE;
    if (init_output != nullptr) env->CallStaticVoidMethodA(helper, init_output, &to_standard_error);
    // A helper that fails here stays a local reference until the VM ends.
    return clear_exception(env) ? nullptr : helper;
}

// The main method of that shape, or null with an exception pending.
jmethodID main_of_shape(JNIEnv* env, jclass cls, int shape) {
    const char* signature = shape & kMainWithoutArguments ? kNoArgumentsSignature : kMainSignature;
    if (shape & kMainInstance) return env->GetMethodID(cls, kMainName, signature);
    return env->GetStaticMethodID(cls, kMainName, signature);
}

}  // namespace

void apply_launch_attributes(JNIEnv* env, jobject jar) {
    // The helper ends the process on an archive without Main-Class.
    bool failed = false;
    jclass helper = main_class_from_manifest(env, jar, &failed) ? launcher_helper(env) : nullptr;
    if (helper != nullptr) {
        // Java 25 reads the manifest of the archive it is given, earlier
        // runtimes that of the file the archive was opened by.
        jobject argument = jar;
        jmethodID apply =
            env->GetStaticMethodID(helper, "getMainClassFromJar", "(Ljava/util/jar/JarFile;)Ljava/lang/String;");
        if (clear_exception(env)) {
            argument = call_named(env, jar, "getName", "()Ljava/lang/String;", &failed);
            apply = argument ? env->GetStaticMethodID(helper, "getMainClassFromJar",
                                                      "(Ljava/lang/String;)Ljava/lang/String;")
                             : nullptr;
        }
        if (apply != nullptr) env->CallStaticObjectMethod(helper, apply, argument);
    }
    // The few references made here live until the VM ends.
    clear_exception(env);
}

int main_method_shape(JNIEnv* env, jclass cls) {
    // The order the running Java picks them in: a main(String[]) before a
    // main(), static before instance (a class cannot have both of one
    // signature).
    static const int kShapes[] = {kMainStatic, kMainInstance, kMainWithoutArguments,
                                  kMainWithoutArguments | kMainInstance};
    for (int shape : kShapes) {
        if (main_of_shape(env, cls, shape) != nullptr) return shape;
        if (!clear_exception(env)) break;
        // java.lang.IO came with the final form of instance and argument-free
        // mains, in Java 25: before it, only the static main(String[]) counts.
        if (shape == kMainStatic && env->FindClass("java/lang/IO") == nullptr) break;
    }
    clear_exception(env);
    main_of_shape(env, cls, kMainStatic);  // its error again, for the caller to describe
    return -1;
}

void check_main_as_runtime_does(JNIEnv* env, jclass cls) {
    // Java 25 names the check validateMainMethod, earlier runtimes
    // validateMainClass. It ends the process with java -jar's message and
    // status when it refuses the class.
    jclass helper = launcher_helper(env);
    const char kSignature[] = "(Ljava/lang/Class;)V";
    jmethodID check = helper ? env->GetStaticMethodID(helper, "validateMainMethod", kSignature) : nullptr;
    if (helper != nullptr && check == nullptr && clear_exception(env))
        check = env->GetStaticMethodID(helper, "validateMainClass", kSignature);
    if (check != nullptr) env->CallStaticVoidMethod(helper, check, cls);
    clear_exception(env);
}

void call_main(JNIEnv* env, jclass cls, int shape, jobjectArray arguments) {
    check_main_as_runtime_does(env, cls);
    jvalue argument;
    argument.l = arguments;
    jmethodID main = main_of_shape(env, cls, shape);
    if (main == nullptr) return;
    if (!(shape & kMainInstance)) return env->CallStaticVoidMethodA(cls, main, &argument);
    jmethodID constructor = env->GetMethodID(cls, "<init>", kNoArgumentsSignature);
    jobject instance = constructor ? env->NewObject(cls, constructor) : nullptr;
    if (instance != nullptr) env->CallVoidMethodA(instance, main, &argument);
}
