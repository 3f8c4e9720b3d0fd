/* The floor of an in-process launcher: creates the Java VM with the options
 * a packed program gets, calls the main class's main with the given
 * arguments, and destroys the VM. No configuration, no runtime search, no
 * archive scan: what remains is what the VM itself costs.
 *
 *   floor LIBJVM CLASS_PATH MAIN_CLASS [VM_OPTION...] -- [ARGUMENT...]
 *
 * MAIN_CLASS is written with slashes (clojure/main). */
#include <dlfcn.h>
#include <jni.h>
#include <stdio.h>
#include <string.h>

typedef jint(JNICALL* CreateJavaVM)(JavaVM**, void**, void*);

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: floor LIBJVM CLASS_PATH MAIN_CLASS [VM_OPTION...] -- [ARGUMENT...]\n");
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW);
    CreateJavaVM create = library ? (CreateJavaVM)dlsym(library, "JNI_CreateJavaVM") : NULL;
    if (create == NULL) {
        fprintf(stderr, "floor: cannot load %s\n", argv[1]);
        return 1;
    }

    static char class_path[4096];
    snprintf(class_path, sizeof class_path, "-Djava.class.path=%s", argv[2]);
    JavaVMOption options[64];
    int count = 0;
    int i = 4;
    for (; i < argc && strcmp(argv[i], "--") != 0 && count < 63; ++i) options[count++].optionString = argv[i];
    options[count++].optionString = class_path;
    if (i < argc) ++i;  /* the "--" */

    JavaVMInitArgs init;
    memset(&init, 0, sizeof init);
    init.version = JNI_VERSION_1_2;
    init.nOptions = count;
    init.options = options;
    JavaVM* vm;
    JNIEnv* env;
    if (create(&vm, (void**)&env, &init) != 0) return 1;

    int status = 1;
    jclass main_class = (*env)->FindClass(env, argv[3]);
    jmethodID main_method = main_class ? (*env)->GetStaticMethodID(env, main_class, "main", "([Ljava/lang/String;)V") : NULL;
    jclass string_class = (*env)->FindClass(env, "java/lang/String");
    jobjectArray args = main_method ? (*env)->NewObjectArray(env, argc - i, string_class, NULL) : NULL;
    for (int k = 0; args && i + k < argc; ++k)
        (*env)->SetObjectArrayElement(env, args, k, (*env)->NewStringUTF(env, argv[i + k]));
    if (args) {
        (*env)->CallStaticVoidMethod(env, main_class, main_method, args);
        status = (*env)->ExceptionCheck(env) ? 1 : 0;
    }
    if ((*env)->ExceptionCheck(env)) (*env)->ExceptionDescribe(env);
    (*vm)->DetachCurrentThread(vm);
    (*vm)->DestroyJavaVM(vm);
    return status;
}
