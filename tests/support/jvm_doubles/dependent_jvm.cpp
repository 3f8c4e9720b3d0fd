// A stand-in for a runtime's jvm.dll that imports a library from the folder
// above its own, as a real one imports the C runtime kept in bin. It refuses
// to create a VM.
#define _JNI_IMPLEMENTATION_  // this file defines the invocation entry points
#include <jni.h>

extern "C" __declspec(dllimport) int vandrel_dependency_answer();

extern "C" {

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void*) {
    *vm = nullptr;
    *env = nullptr;
    return vandrel_dependency_answer() == 42 ? JNI_ERR : JNI_EVERSION;
}

JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void*) { return JNI_OK; }

}  // extern "C"
