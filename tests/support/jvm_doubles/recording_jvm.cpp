// A stand-in for the Java runtime library: it records the JavaVMInitArgs it
// is given and then refuses to create a VM. The record goes to the file named
// by VANDREL_JVM_RECORD (appended), one line per field and per option:
//   version 0x00010002
//   ignoreUnrecognized 0
//   nOptions 3
//   option -Dapplication.home=...
// Built without JNI_GetDefaultJavaVMInitArgs when VANDREL_CREATE_ONLY is set.
#define _JNI_IMPLEMENTATION_  // this file defines the invocation entry points
#include <jni.h>

#include <cstdio>
#include <cstdlib>

extern "C" {

JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void* args) {
    const JavaVMInitArgs* init = static_cast<const JavaVMInitArgs*>(args);
    const char* record = getenv("VANDREL_JVM_RECORD");
    FILE* out = record ? fopen(record, "ab") : nullptr;
    if (out != nullptr) {
        fprintf(out, "version 0x%08lx\n", static_cast<unsigned long>(init->version));
        fprintf(out, "ignoreUnrecognized %d\n", static_cast<int>(init->ignoreUnrecognized));
        fprintf(out, "nOptions %ld\n", static_cast<long>(init->nOptions));
        for (int i = 0; i < init->nOptions; ++i) fprintf(out, "option %s\n", init->options[i].optionString);
        fclose(out);
    }
    *vm = nullptr;
    *env = nullptr;
    return JNI_ERR;
}

#ifndef VANDREL_CREATE_ONLY
JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void*) { return JNI_OK; }
#endif

}  // extern "C"
