/* Machine-dependent JNI types for Windows (32- and 64-bit), as the Java
   runtimes for Windows define them. jni.h includes this file by name. */
#ifndef VANDREL_JNI_MD_H
#define VANDREL_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
