/* Windows half of the test bridge jvm.dll: a Wine builtin DLL whose exports,
   JNI function table and invocation table are what the launcher under test
   sees. Each entry that the launcher uses forwards its call, as one
   bridge_call record, to the Unix half (jvm.so), which performs it in the
   host's HotSpot VM. Variadic calls are decoded here with the signature
   recorded when their method ID was looked up. Every other entry ends the
   process with a message naming its slot, so that a launcher change that
   needs a new JNI function shows up at once. */
#include <windows.h>
/* The JNI entry points are this library's own exports. */
#define _JNI_IMPLEMENTATION_
#include <jni.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bridge_abi.h"
#include "jni_slots.h"

typedef UINT64 unixlib_handle_t;
typedef NTSTATUS(WINAPI* unix_call_fn)(unixlib_handle_t, unsigned int, void*);
typedef NTSTATUS(WINAPI* query_memory_fn)(HANDLE, const void*, ULONG, void*, SIZE_T, SIZE_T*);
typedef NTSTATUS(CDECL* handle_to_fd_fn)(HANDLE, unsigned int, int*, unsigned int*);
typedef char*(CDECL* unix_file_name_fn)(const WCHAR*);

#define MEMORY_WINE_UNIX_FUNCS 1000

static HMODULE this_module;
static unixlib_handle_t unix_handle;
static unix_call_fn unix_call;

static void fail(const char* what)
{
    fprintf(stderr, "bridge jvm.dll: %s\n", what);
    fflush(stderr);
    ExitProcess(99);
}

static BOOL bind_unix_half(void)
{
    if (unix_call != NULL) return TRUE;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    query_memory_fn query = (query_memory_fn)(void (*)(void))GetProcAddress(ntdll, "NtQueryVirtualMemory");
    unix_call_fn call = (unix_call_fn)(void (*)(void))GetProcAddress(ntdll, "__wine_unix_call");
    if (query == NULL || call == NULL) {
        fprintf(stderr, "bridge jvm.dll: not running under Wine\n");
        return FALSE;
    }
    NTSTATUS status = query(GetCurrentProcess(), this_module, MEMORY_WINE_UNIX_FUNCS, &unix_handle,
                            sizeof unix_handle, NULL);
    if (status != 0) {
        fprintf(stderr, "bridge jvm.dll: Unix half not found (status 0x%08lx)\n", (unsigned long)status);
        return FALSE;
    }
    unix_call = call;
    return TRUE;
}

#define U(x) ((UINT64)(UINT_PTR)(x))

static UINT64 forward(enum bridge_op op, UINT64 a0, UINT64 a1, UINT64 a2, UINT64 a3)
{
    struct bridge_call call = {op, {a0, a1, a2, a3}, 0};
    if (unix_call(unix_handle, BRIDGE_UNIX_DISPATCH, &call) != 0) fail("Unix call failed");
    return call.result;
}

/* ---- Method signatures, recorded for decoding variadic arguments ---- */

#define MAX_METHODS 4096
static struct {
    jmethodID id;
    char* signature;
    BOOL opens_path; /* JarFile(String): its argument names a file */
} methods[MAX_METHODS];
static int method_count;

/* Class references that FindClass returned for java/util/jar/JarFile. */
#define MAX_JAR_CLASSES 256
static jclass jar_file_classes[MAX_JAR_CLASSES];
static int jar_file_class_count;

static BOOL is_jar_file_class(jclass cls)
{
    for (int i = 0; i < jar_file_class_count; i++)
        if (jar_file_classes[i] == cls) return TRUE;
    return FALSE;
}

static void remember_method(jmethodID id, jclass cls, const char* name, const char* signature)
{
    if (id == NULL) return;
    for (int i = 0; i < method_count; i++)
        if (methods[i].id == id) return;
    if (method_count == MAX_METHODS) fail("too many method IDs");
    methods[method_count].id = id;
    methods[method_count].signature = _strdup(signature);
    methods[method_count].opens_path = is_jar_file_class(cls) && strcmp(name, "<init>") == 0 &&
                                       strcmp(signature, "(Ljava/lang/String;)V") == 0;
    method_count++;
}

static BOOL opens_path(jmethodID id)
{
    for (int i = 0; i < method_count; i++)
        if (methods[i].id == id) return methods[i].opens_path;
    return FALSE;
}

static const char* signature_of(jmethodID id)
{
    for (int i = 0; i < method_count; i++)
        if (methods[i].id == id) return methods[i].signature;
    fail("variadic call with a method ID that was not looked up through the bridge");
    return NULL;
}

#define MAX_ARGS 64

/* Reads the arguments that a signature's parameter list describes from a
   va_list into jvalues, with C's default argument promotions undone. */
static void decode_arguments(jmethodID id, va_list list, jvalue* values)
{
    const char* p = signature_of(id);
    if (*p++ != '(') fail("malformed method signature");
    int n = 0;
    while (*p != ')') {
        if (n == MAX_ARGS) fail("too many arguments");
        jvalue* v = &values[n++];
        switch (*p) {
        case 'Z': v->z = (jboolean)va_arg(list, int); break;
        case 'B': v->b = (jbyte)va_arg(list, int); break;
        case 'C': v->c = (jchar)va_arg(list, int); break;
        case 'S': v->s = (jshort)va_arg(list, int); break;
        case 'I': v->i = va_arg(list, jint); break;
        case 'J': v->j = va_arg(list, jlong); break;
        case 'F': v->f = (jfloat)va_arg(list, double); break;
        case 'D': v->d = va_arg(list, double); break;
        case 'L': case '[': v->l = va_arg(list, jobject); break;
        default: fail("malformed method signature");
        }
        while (*p == '[') p++;
        if (*p == 'L') {
            while (*p != ';' && *p != '\0') p++;
        }
        if (*p == '\0') fail("malformed method signature");
        p++;
    }
}

/* The va_list and "..." forms of a call whose jvalue form b_<name>A exists. */
#define BRIDGE_LIST_FORMS(Type, Name, Target)                                                 \
    static Type JNICALL b_##Name##V(JNIEnv* env, Target target, jmethodID id, va_list list) { \
        jvalue values[MAX_ARGS];                                                              \
        decode_arguments(id, list, values);                                                   \
        return b_##Name##A(env, target, id, values);                                          \
    }                                                                                         \
    static Type JNICALL b_##Name(JNIEnv* env, Target target, jmethodID id, ...) {             \
        va_list list;                                                                         \
        va_start(list, id);                                                                   \
        Type result = b_##Name##V(env, target, id, list);                                     \
        va_end(list);                                                                         \
        return result;                                                                        \
    }

/* ---- VM options: Windows paths become Unix paths ---- */

static BOOL is_absolute_windows_path(const char* p)
{
    if (((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':' &&
        (p[2] == '\\' || p[2] == '/'))
        return TRUE;
    return (p[0] == '\\' && p[1] == '\\');
}

typedef DWORD(WINAPI* full_path_fn)(const WCHAR*, DWORD, WCHAR*, WCHAR**);

/* The Unix name of a Windows path (relative ones from the current
   directory), allocated on the process heap; null when Wine has none, as
   for a path whose directory does not exist. */
static char* unix_name_of(const WCHAR* path)
{
    static unix_file_name_fn to_unix;
    if (to_unix == NULL)
        to_unix = (unix_file_name_fn)(void (*)(void))GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                                 "wine_get_unix_file_name");
    WCHAR full[MAX_PATH * 4];
    DWORD length = GetFullPathNameW(path, MAX_PATH * 4, full, NULL);
    if (to_unix == NULL || length == 0 || length >= MAX_PATH * 4) fail("cannot convert a path");
    return to_unix(full);
}

/* Appends one path, text in the ANSI code page, to out as its Unix name.
   The host VM reads options in its native encoding, the ANSI code page,
   and writes file names back in it, so the name's bytes reach the file
   system as they are. */
static void append_path(char* out, size_t capacity, const char* path, size_t length)
{
    char windows[MAX_PATH * 4];
    if (length >= sizeof windows) fail("path too long");
    memcpy(windows, path, length);
    windows[length] = '\0';
    size_t used = strlen(out);
    WCHAR wide[MAX_PATH * 4];
    if (MultiByteToWideChar(CP_ACP, 0, windows, -1, wide, MAX_PATH * 4) == 0) fail("cannot convert a path");
    char* unix_name = unix_name_of(wide);
    const char* name = unix_name != NULL ? unix_name : windows;
    if (used + strlen(name) + 1 > capacity) fail("option too long");
    strcpy(out + used, name);
    if (unix_name != NULL) HeapFree(GetProcessHeap(), 0, unix_name);
}

/* ---- The JNI function table ---- */

static struct JNINativeInterface_ env_table;
static const struct JNINativeInterface_* env_pointer = &env_table;
static struct JNIInvokeInterface_ vm_table;
static const struct JNIInvokeInterface_* vm_pointer = &vm_table;

static jclass JNICALL b_FindClass(JNIEnv* env, const char* name)
{
    jclass cls = (jclass)(UINT_PTR)forward(BRIDGE_FIND_CLASS, U(name), 0, 0, 0);
    if (cls != NULL && strcmp(name, "java/util/jar/JarFile") == 0 && jar_file_class_count < MAX_JAR_CLASSES)
        jar_file_classes[jar_file_class_count++] = cls;
    return cls;
}

static jmethodID JNICALL b_GetMethodID(JNIEnv* env, jclass cls, const char* name, const char* sig)
{
    jmethodID id = (jmethodID)(UINT_PTR)forward(BRIDGE_GET_METHOD_ID, U(cls), U(name), U(sig), 0);
    remember_method(id, cls, name, sig);
    return id;
}

static jmethodID JNICALL b_GetStaticMethodID(JNIEnv* env, jclass cls, const char* name, const char* sig)
{
    jmethodID id = (jmethodID)(UINT_PTR)forward(BRIDGE_GET_STATIC_METHOD_ID, U(cls), U(name), U(sig), 0);
    remember_method(id, cls, name, sig);
    return id;
}

static jclass JNICALL b_GetObjectClass(JNIEnv* env, jobject obj)
{
    return (jclass)(UINT_PTR)forward(BRIDGE_GET_OBJECT_CLASS, U(obj), 0, 0, 0);
}

/* A Windows VM opens a JarFile named by a Windows path, absolute or
   relative; the host's VM needs the Unix name of the same file, as a string
   that its native encoding turns back into that name's bytes. */
static jstring unix_path_string(jstring path)
{
    if (path == NULL) return NULL;
    const char* chars = (const char*)(UINT_PTR)forward(BRIDGE_GET_STRING_UTF_CHARS, U(path), 0, 0, 0);
    if (chars == NULL) return NULL;
    jstring result = path;
    WCHAR wide[MAX_PATH * 4];
    if (MultiByteToWideChar(CP_UTF8, 0, chars, -1, wide, MAX_PATH * 4) != 0) {
        char* unix_name = unix_name_of(wide);
        if (unix_name != NULL) {
            result = (jstring)(UINT_PTR)forward(BRIDGE_NEW_STRING_NATIVE, U(unix_name), 0, 0, 0);
            HeapFree(GetProcessHeap(), 0, unix_name);
        }
    }
    forward(BRIDGE_RELEASE_STRING_UTF_CHARS, U(path), U(chars), 0, 0);
    return result;
}

static jobject JNICALL b_NewObjectA(JNIEnv* env, jclass cls, jmethodID id, const jvalue* args)
{
    if (opens_path(id)) {
        jvalue translated = args[0];
        translated.l = unix_path_string(args[0].l);
        if (translated.l == NULL && args[0].l != NULL) return NULL;
        return (jobject)(UINT_PTR)forward(BRIDGE_NEW_OBJECT, U(cls), U(id), U(&translated), 0);
    }
    return (jobject)(UINT_PTR)forward(BRIDGE_NEW_OBJECT, U(cls), U(id), U(args), 0);
}

BRIDGE_LIST_FORMS(jobject, NewObject, jclass)

static jobject JNICALL b_CallObjectMethodA(JNIEnv* env, jobject obj, jmethodID id, const jvalue* args)
{
    return (jobject)(UINT_PTR)forward(BRIDGE_CALL_OBJECT_METHOD, U(obj), U(id), U(args), 0);
}

BRIDGE_LIST_FORMS(jobject, CallObjectMethod, jobject)

static jint JNICALL b_CallIntMethodA(JNIEnv* env, jobject obj, jmethodID id, const jvalue* args)
{
    return (jint)forward(BRIDGE_CALL_INT_METHOD, U(obj), U(id), U(args), 0);
}

BRIDGE_LIST_FORMS(jint, CallIntMethod, jobject)

static void JNICALL b_CallStaticVoidMethodA(JNIEnv* env, jclass cls, jmethodID id, const jvalue* args)
{
    forward(BRIDGE_CALL_STATIC_VOID_METHOD, U(cls), U(id), U(args), 0);
}

static void JNICALL b_CallStaticVoidMethodV(JNIEnv* env, jclass cls, jmethodID id, va_list list)
{
    jvalue values[MAX_ARGS];
    decode_arguments(id, list, values);
    b_CallStaticVoidMethodA(env, cls, id, values);
}

static void JNICALL b_CallStaticVoidMethod(JNIEnv* env, jclass cls, jmethodID id, ...)
{
    va_list list;
    va_start(list, id);
    b_CallStaticVoidMethodV(env, cls, id, list);
    va_end(list);
}

static jobject JNICALL b_CallStaticObjectMethodA(JNIEnv* env, jclass cls, jmethodID id, const jvalue* args)
{
    return (jobject)(UINT_PTR)forward(BRIDGE_CALL_STATIC_OBJECT_METHOD, U(cls), U(id), U(args), 0);
}

static void JNICALL b_CallVoidMethodA(JNIEnv* env, jobject obj, jmethodID id, const jvalue* args)
{
    forward(BRIDGE_CALL_VOID_METHOD, U(obj), U(id), U(args), 0);
}

BRIDGE_LIST_FORMS(jobject, CallStaticObjectMethod, jclass)

static jstring JNICALL b_NewStringUTF(JNIEnv* env, const char* bytes)
{
    return (jstring)(UINT_PTR)forward(BRIDGE_NEW_STRING_UTF, U(bytes), 0, 0, 0);
}

static jbyteArray JNICALL b_NewByteArray(JNIEnv* env, jsize length)
{
    return (jbyteArray)(UINT_PTR)forward(BRIDGE_NEW_BYTE_ARRAY, (UINT64)(INT64)length, 0, 0, 0);
}

static void JNICALL b_SetByteArrayRegion(JNIEnv* env, jbyteArray array, jsize start, jsize length,
                                         const jbyte* bytes)
{
    forward(BRIDGE_SET_BYTE_ARRAY_REGION, U(array), (UINT64)(INT64)start, (UINT64)(INT64)length, U(bytes));
}

static jobjectArray JNICALL b_NewObjectArray(JNIEnv* env, jsize length, jclass cls, jobject initial)
{
    return (jobjectArray)(UINT_PTR)forward(BRIDGE_NEW_OBJECT_ARRAY, (UINT64)(INT64)length, U(cls), U(initial), 0);
}

static void JNICALL b_SetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value)
{
    forward(BRIDGE_SET_OBJECT_ARRAY_ELEMENT, U(array), (UINT64)(INT64)index, U(value), 0);
}

static void JNICALL b_DeleteLocalRef(JNIEnv* env, jobject ref)
{
    forward(BRIDGE_DELETE_LOCAL_REF, U(ref), 0, 0, 0);
}

static const char* JNICALL b_GetStringUTFChars(JNIEnv* env, jstring string, jboolean* is_copy)
{
    return (const char*)(UINT_PTR)forward(BRIDGE_GET_STRING_UTF_CHARS, U(string), U(is_copy), 0, 0);
}

static void JNICALL b_ReleaseStringUTFChars(JNIEnv* env, jstring string, const char* chars)
{
    forward(BRIDGE_RELEASE_STRING_UTF_CHARS, U(string), U(chars), 0, 0);
}

static jthrowable JNICALL b_ExceptionOccurred(JNIEnv* env)
{
    return (jthrowable)(UINT_PTR)forward(BRIDGE_EXCEPTION_OCCURRED, 0, 0, 0, 0);
}

static jboolean JNICALL b_ExceptionCheck(JNIEnv* env)
{
    return (jboolean)forward(BRIDGE_EXCEPTION_CHECK, 0, 0, 0, 0);
}

static void JNICALL b_ExceptionClear(JNIEnv* env)
{
    forward(BRIDGE_EXCEPTION_CLEAR, 0, 0, 0, 0);
}

static void JNICALL b_ExceptionDescribe(JNIEnv* env)
{
    forward(BRIDGE_EXCEPTION_DESCRIBE, 0, 0, 0, 0);
}

static jint JNICALL b_DetachCurrentThread(JavaVM* vm)
{
    return (jint)forward(BRIDGE_DETACH_CURRENT_THREAD, 0, 0, 0, 0);
}

static jint JNICALL b_DestroyJavaVM(JavaVM* vm)
{
    fflush(stdout);
    return (jint)forward(BRIDGE_DESTROY_JAVA_VM, 0, 0, 0, 0);
}

/* Stubs for every slot that is not forwarded. */
#define DEFINE_STUB(name) \
    static void stub_##name(void) { fail("JNI function " #name " is not bridged"); }
BRIDGE_JNI_SLOTS(DEFINE_STUB)
#define DEFINE_VM_STUB(name) \
    static void vm_stub_##name(void) { fail("JNI invocation function " #name " is not bridged"); }
DEFINE_VM_STUB(AttachCurrentThread)
DEFINE_VM_STUB(GetEnv)
DEFINE_VM_STUB(AttachCurrentThreadAsDaemon)

static void fill_tables(void)
{
#define SET_STUB(name) env_table.name = (__typeof__(env_table.name))stub_##name;
    BRIDGE_JNI_SLOTS(SET_STUB)
#define FORWARD(name) env_table.name = b_##name;
    FORWARD(FindClass)
    FORWARD(GetMethodID)
    FORWARD(GetStaticMethodID)
    FORWARD(GetObjectClass)
    FORWARD(NewObject)
    FORWARD(NewObjectV)
    FORWARD(NewObjectA)
    FORWARD(CallObjectMethod)
    FORWARD(CallObjectMethodV)
    FORWARD(CallObjectMethodA)
    FORWARD(CallIntMethod)
    FORWARD(CallIntMethodV)
    FORWARD(CallIntMethodA)
    FORWARD(CallStaticVoidMethod)
    FORWARD(CallStaticVoidMethodV)
    FORWARD(CallStaticVoidMethodA)
    FORWARD(CallStaticObjectMethod)
    FORWARD(CallStaticObjectMethodV)
    FORWARD(CallStaticObjectMethodA)
    FORWARD(CallVoidMethodA)
    FORWARD(NewStringUTF)
    FORWARD(NewByteArray)
    FORWARD(SetByteArrayRegion)
    FORWARD(NewObjectArray)
    FORWARD(SetObjectArrayElement)
    FORWARD(DeleteLocalRef)
    FORWARD(GetStringUTFChars)
    FORWARD(ReleaseStringUTFChars)
    FORWARD(ExceptionOccurred)
    FORWARD(ExceptionCheck)
    FORWARD(ExceptionClear)
    FORWARD(ExceptionDescribe)
    vm_table.DestroyJavaVM = b_DestroyJavaVM;
    vm_table.DetachCurrentThread = b_DetachCurrentThread;
    vm_table.AttachCurrentThread = (__typeof__(vm_table.AttachCurrentThread))vm_stub_AttachCurrentThread;
    vm_table.GetEnv = (__typeof__(vm_table.GetEnv))vm_stub_GetEnv;
    vm_table.AttachCurrentThreadAsDaemon =
        (__typeof__(vm_table.AttachCurrentThreadAsDaemon))vm_stub_AttachCurrentThreadAsDaemon;
}

static char* convert_option(const char* option)
{
    const char* equals = strchr(option, '=');
    if (strncmp(option, "-D", 2) != 0 || equals == NULL) return _strdup(option);
    const char* value = equals + 1;
    BOOL is_path_list = strncmp(option, "-Djava.class.path=", 18) == 0 ||
                        strncmp(option, "-Denv.class.path=", 17) == 0;
    /* The program and its arguments, as a Windows VM would see them. */
    if (strncmp(option, "-Dsun.java.command=", 19) == 0) return _strdup(option);
    if (!is_path_list && !is_absolute_windows_path(value)) return _strdup(option);

    size_t capacity = 8 * (strlen(option) + MAX_PATH);
    char* out = malloc(capacity);
    if (out == NULL) fail("out of memory");
    memcpy(out, option, (size_t)(value - option));
    out[value - option] = '\0';
    if (!is_path_list) {
        append_path(out, capacity, value, strlen(value));
        return out;
    }
    const char* element = value;
    for (;;) {
        const char* end = strchr(element, ';');
        size_t length = end ? (size_t)(end - element) : strlen(element);
        if (length > 0) append_path(out, capacity, element, length);
        if (end == NULL) break;
        if (strlen(out) + 2 > capacity) fail("option too long");
        strcat(out, ":");
        element = end + 1;
    }
    return out;
}

/* Hands the Unix half the descriptors behind this process's standard
   handles, so that Java's output reaches the same files or pipes as the
   launcher's own even when the process was started with redirected handles
   whose Unix descriptors are not already 0, 1 and 2. Console handles have no
   descriptor and are left alone. */
static void share_standard_streams(void)
{
    handle_to_fd_fn to_fd = (handle_to_fd_fn)(void (*)(void))GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                                         "wine_server_handle_to_fd");
    static const DWORD ids[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    static const unsigned int access[3] = {FILE_READ_DATA, FILE_WRITE_DATA, FILE_WRITE_DATA};
    INT64 fds[3] = {-1, -1, -1};
    for (int i = 0; i < 3 && to_fd != NULL; i++) {
        HANDLE h = GetStdHandle(ids[i]);
        int fd = -1;
        if (h != NULL && h != INVALID_HANDLE_VALUE && to_fd(h, access[i], &fd, NULL) == 0) fds[i] = fd;
    }
    forward(BRIDGE_SET_STDIO, (UINT64)fds[0], (UINT64)fds[1], (UINT64)fds[2], 0);
}

__declspec(dllexport) jint JNICALL JNI_GetDefaultJavaVMInitArgs(void* args)
{
    if (!bind_unix_half()) return JNI_ERR;
    return (jint)forward(BRIDGE_GET_DEFAULT_INIT_ARGS, U(args), 0, 0, 0);
}

__declspec(dllexport) jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void* vm_args)
{
    if (!bind_unix_half()) return JNI_ERR;
    const JavaVMInitArgs* given = vm_args;
    JavaVMInitArgs args = *given;
    JavaVMOption* options = calloc(given->nOptions > 0 ? (size_t)given->nOptions : 1, sizeof *options);
    if (options == NULL) fail("out of memory");
    jint count = 0;
    for (jint i = 0; i < given->nOptions; i++) {
        /* The hooks are functions of the Windows side, which the host VM
           cannot call: they stay behind. */
        const char* option = given->options[i].optionString;
        if (strcmp(option, "exit") == 0 || strcmp(option, "abort") == 0 || strcmp(option, "vfprintf") == 0) continue;
        options[count].optionString = convert_option(option);
        options[count++].extraInfo = given->options[i].extraInfo;
    }
    args.options = options;
    args.nOptions = count;
    fill_tables();
    fflush(stdout);
    fflush(stderr);
    share_standard_streams();
    jint result = (jint)forward(BRIDGE_CREATE_VM, U(&args), GetACP(), 0, 0);
    if (result == JNI_OK) {
        *vm = (JavaVM*)&vm_pointer;
        *env = (void*)&env_pointer;
    }
    return result;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) this_module = instance;
    return TRUE;
}
