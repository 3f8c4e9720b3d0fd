/* Unix half of the test bridge jvm.dll: runs inside the Wine process as the
   Unix library of the PE half, loads the host's HotSpot libjvm.so and
   performs every JNI call that the PE half hands over.

   HotSpot cannot run on the stack that Wine uses for Unix calls, so the VM is
   created, and every later JNI call is made, on one worker thread with an
   ordinary large stack: a Unix call posts its record to the worker and waits
   until the worker has filled in the result. The launcher makes all its JNI
   calls from its main thread, so one worker is the VM's "main thread". */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <jni.h>
#include <locale.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "bridge_abi.h"

#ifndef BRIDGE_LIBJVM
#error "BRIDGE_LIBJVM must name the host's libjvm.so"
#endif

typedef unsigned int NTSTATUS;
typedef NTSTATUS (*unixlib_entry_t)(void* args);
typedef jint (JNICALL* create_vm_fn)(JavaVM**, void**, void*);
typedef jint (JNICALL* default_args_fn)(void*);

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t posted = PTHREAD_COND_INITIALIZER;
static pthread_cond_t done = PTHREAD_COND_INITIALIZER;
static struct bridge_call* pending; /* the call the worker is to perform */
static int finished;
static int worker_started;

static JavaVM* vm;
static JNIEnv* env;
static void* libjvm;

#define P(x) ((void*)(uintptr_t)(x))
#define J(x) ((uint64_t)(uintptr_t)(x))

static void* open_libjvm(void)
{
    if (libjvm == NULL) {
        const char* path = getenv("VANDREL_BRIDGE_LIBJVM");
        if (path == NULL || *path == '\0') path = BRIDGE_LIBJVM;
        libjvm = dlopen(path, RTLD_NOW | RTLD_GLOBAL);
        if (libjvm == NULL) fprintf(stderr, "bridge: cannot load %s: %s\n", path, dlerror());
    }
    return libjvm;
}

/* The host VM's native encoding is the Windows process's ANSI code page, so
   that native text means there what it means on Windows: the locale
   en_US.CP<code page>, when one is installed (or found through LOCPATH), and
   C.UTF-8 for code page 65001, UTF-8 (a program whose manifest asks for it). */
static void use_code_page(unsigned code_page)
{
    char name[32];
    snprintf(name, sizeof name, code_page == 65001 ? "C.UTF-8" : "en_US.CP%u", code_page);
    locale_t probe = newlocale(LC_ALL_MASK, name, (locale_t)0);
    if (probe == (locale_t)0) {
        fprintf(stderr, "bridge: no locale %s: the host VM keeps the environment's native encoding\n", name);
        return;
    }
    freelocale(probe);
    setenv("LC_ALL", name, 1);
}

/* new String(bytes, sun.jnu.encoding): a Unix file name as the host VM's
   file system reads it. */
static jstring new_string_native(const char* bytes)
{
    jclass system = (*env)->FindClass(env, "java/lang/System");
    jclass string = (*env)->FindClass(env, "java/lang/String");
    if (system == NULL || string == NULL) return NULL;
    jmethodID get = (*env)->GetStaticMethodID(env, system, "getProperty", "(Ljava/lang/String;)Ljava/lang/String;");
    jmethodID init = (*env)->GetMethodID(env, string, "<init>", "([BLjava/lang/String;)V");
    if (get == NULL || init == NULL) return NULL;
    jobject encoding = (*env)->CallStaticObjectMethod(env, system, get, (*env)->NewStringUTF(env, "sun.jnu.encoding"));
    jsize length = (jsize)strlen(bytes);
    jbyteArray array = (*env)->NewByteArray(env, length);
    if (encoding == NULL || array == NULL) return NULL;
    (*env)->SetByteArrayRegion(env, array, 0, length, (const jbyte*)bytes);
    return (jstring)(*env)->NewObject(env, string, init, array, encoding);
}

/* Whether this 32-bit VM runs under emulation: qemu-user, where the kernel
   runs no 32-bit code (scripts/setup.sh), names its own machine (i686) to
   uname; a 32-bit process on a 64-bit kernel is told x86_64.
   HotSpot patches compiled code while other threads may be running it: to
   make a method not entrant it writes a jump to itself (EB FE) over the
   method's entry, then the real jump. qemu-user notices code written by one
   thread while another runs it only by chance (it protects pages holding
   translated code, and a thread may translate the jump to itself between
   two writes): a thread that entered the method then runs the jump to
   itself for ever, and the VM, waiting for it at a safepoint, never ends.
   So under emulation the VM only interprets (-Xint): no compiled code, no
   patching; short programs start no slower for it, since the compilers
   themselves run emulated. VANDREL_BRIDGE_JIT=1 keeps the compilers. */
static int interpret_only(void)
{
#if defined(__i386__)
    const char* jit = getenv("VANDREL_BRIDGE_JIT");
    if (jit != NULL && strcmp(jit, "1") == 0) return 0;
    struct utsname machine;
    return uname(&machine) == 0 && strcmp(machine.machine, "x86_64") != 0;
#else
    return 0;
#endif
}

static jint create_vm(create_vm_fn create, const JavaVMInitArgs* given)
{
    if (!interpret_only()) return create(&vm, (void**)&env, (void*)given);
    JavaVMInitArgs args = *given;
    JavaVMOption* options = calloc((size_t)given->nOptions + 1, sizeof *options);
    if (options == NULL) return JNI_ENOMEM;
    if (given->nOptions > 0) memcpy(options, given->options, (size_t)given->nOptions * sizeof *options);
    options[given->nOptions].optionString = "-Xint";
    args.options = options;
    args.nOptions = given->nOptions + 1;
    jint result = create(&vm, (void**)&env, &args);
    free(options);
    return result;
}

static void perform(struct bridge_call* c)
{
    uint64_t* a = c->arg;
    switch ((enum bridge_op)c->op) {
    case BRIDGE_CREATE_VM: {
        if (a[1] != 0) use_code_page((unsigned)a[1]);
        create_vm_fn create = open_libjvm() ? (create_vm_fn)dlsym(libjvm, "JNI_CreateJavaVM") : NULL;
        c->result = (uint64_t)(int64_t)(create ? create_vm(create, P(a[0])) : JNI_ERR);
        break;
    }
    case BRIDGE_GET_DEFAULT_INIT_ARGS: {
        default_args_fn get = open_libjvm() ? (default_args_fn)dlsym(libjvm, "JNI_GetDefaultJavaVMInitArgs") : NULL;
        c->result = (uint64_t)(int64_t)(get ? get(P(a[0])) : JNI_ERR);
        break;
    }
    case BRIDGE_SET_STDIO:
        for (int fd = 0; fd < 3; fd++) {
            int from = (int)(int64_t)a[fd];
            if (from >= 0 && from != fd) dup2(from, fd);
        }
        c->result = 0;
        break;
    case BRIDGE_FIND_CLASS:
        c->result = J((*env)->FindClass(env, P(a[0])));
        break;
    case BRIDGE_GET_METHOD_ID:
        c->result = J((*env)->GetMethodID(env, P(a[0]), P(a[1]), P(a[2])));
        break;
    case BRIDGE_GET_STATIC_METHOD_ID:
        c->result = J((*env)->GetStaticMethodID(env, P(a[0]), P(a[1]), P(a[2])));
        break;
    case BRIDGE_GET_OBJECT_CLASS:
        c->result = J((*env)->GetObjectClass(env, P(a[0])));
        break;
    case BRIDGE_NEW_OBJECT:
        c->result = J((*env)->NewObjectA(env, P(a[0]), P(a[1]), P(a[2])));
        break;
    case BRIDGE_CALL_OBJECT_METHOD:
        c->result = J((*env)->CallObjectMethodA(env, P(a[0]), P(a[1]), P(a[2])));
        break;
    case BRIDGE_CALL_INT_METHOD:
        c->result = (uint64_t)(int64_t)(*env)->CallIntMethodA(env, P(a[0]), P(a[1]), P(a[2]));
        break;
    case BRIDGE_CALL_STATIC_OBJECT_METHOD:
        c->result = J((*env)->CallStaticObjectMethodA(env, P(a[0]), P(a[1]), P(a[2])));
        break;
    case BRIDGE_CALL_VOID_METHOD:
        (*env)->CallVoidMethodA(env, P(a[0]), P(a[1]), P(a[2]));
        c->result = 0;
        break;
    case BRIDGE_NEW_STRING_NATIVE:
        c->result = J(new_string_native(P(a[0])));
        break;
    case BRIDGE_CALL_STATIC_VOID_METHOD:
        (*env)->CallStaticVoidMethodA(env, P(a[0]), P(a[1]), P(a[2]));
        c->result = 0;
        break;
    case BRIDGE_NEW_BYTE_ARRAY:
        c->result = J((*env)->NewByteArray(env, (jsize)a[0]));
        break;
    case BRIDGE_SET_BYTE_ARRAY_REGION:
        (*env)->SetByteArrayRegion(env, P(a[0]), (jsize)a[1], (jsize)a[2], P(a[3]));
        c->result = 0;
        break;
    case BRIDGE_NEW_OBJECT_ARRAY:
        c->result = J((*env)->NewObjectArray(env, (jsize)a[0], P(a[1]), P(a[2])));
        break;
    case BRIDGE_SET_OBJECT_ARRAY_ELEMENT:
        (*env)->SetObjectArrayElement(env, P(a[0]), (jsize)a[1], P(a[2]));
        c->result = 0;
        break;
    case BRIDGE_DELETE_LOCAL_REF:
        (*env)->DeleteLocalRef(env, P(a[0]));
        c->result = 0;
        break;
    case BRIDGE_NEW_STRING_UTF:
        c->result = J((*env)->NewStringUTF(env, P(a[0])));
        break;
    case BRIDGE_GET_STRING_UTF_CHARS:
        c->result = J((*env)->GetStringUTFChars(env, P(a[0]), P(a[1])));
        break;
    case BRIDGE_RELEASE_STRING_UTF_CHARS:
        (*env)->ReleaseStringUTFChars(env, P(a[0]), P(a[1]));
        c->result = 0;
        break;
    case BRIDGE_EXCEPTION_OCCURRED:
        c->result = J((*env)->ExceptionOccurred(env));
        break;
    case BRIDGE_EXCEPTION_CHECK:
        c->result = (*env)->ExceptionCheck(env);
        break;
    case BRIDGE_EXCEPTION_CLEAR:
        (*env)->ExceptionClear(env);
        c->result = 0;
        break;
    case BRIDGE_EXCEPTION_DESCRIBE:
        (*env)->ExceptionDescribe(env);
        c->result = 0;
        break;
    case BRIDGE_DETACH_CURRENT_THREAD:
        c->result = (uint64_t)(int64_t)(*vm)->DetachCurrentThread(vm);
        break;
    case BRIDGE_DESTROY_JAVA_VM:
        c->result = (uint64_t)(int64_t)(*vm)->DestroyJavaVM(vm);
        break;
    default:
        fprintf(stderr, "bridge: unknown operation %u\n", (unsigned)c->op);
        abort();
    }
}

static void* worker(void* unused)
{
    (void)unused;
    pthread_mutex_lock(&lock);
    for (;;) {
        while (pending == NULL) pthread_cond_wait(&posted, &lock);
        struct bridge_call* c = pending;
        pthread_mutex_unlock(&lock);
        perform(c);
        pthread_mutex_lock(&lock);
        pending = NULL;
        finished = 1;
        pthread_cond_broadcast(&done);
    }
    return NULL;
}

static int start_worker(void)
{
    pthread_attr_t attr;
    pthread_t thread;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 64u << 20);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    int rc = pthread_create(&thread, &attr, worker, NULL);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        fprintf(stderr, "bridge: cannot start the VM thread (%d)\n", rc);
        return 0;
    }
    return 1;
}

/* Unix call 0: performs one call record on the worker thread. */
static NTSTATUS dispatch(void* args)
{
    struct bridge_call* c = args;
    pthread_mutex_lock(&lock);
    if (!worker_started) {
        if (!start_worker()) {
            pthread_mutex_unlock(&lock);
            return 0xC0000001u; /* STATUS_UNSUCCESSFUL */
        }
        worker_started = 1;
    }
    pending = c;
    finished = 0;
    pthread_cond_signal(&posted);
    while (!finished) pthread_cond_wait(&done, &lock);
    pthread_mutex_unlock(&lock);
    return 0;
}

__attribute__((visibility("default"))) const unixlib_entry_t __wine_unix_call_funcs[] = {
    dispatch,
};
