// The two native methods of com.brightfen.mci.Mci: an MCI command string is
// handed to the multimedia library, and a path is turned into its short form.
// The library keeps no state: each call works on the one string it is given
// and on a buffer of its own, and every byte goes across untranslated.

#include <jni.h>

#include <cstdio>

#include "mci_platform.h"

// On Windows the export definitions name the exports, so that exactly the
// names the Java VM looks up are exported and nothing else.
#ifdef _WIN32
#define TUNEGATE_EXPORT
#else
#define TUNEGATE_EXPORT JNIEXPORT
#endif

namespace {

// MCI texts are at most 127 characters.
const unsigned int kErrorTextCapacity = 128;

// 255 of the 256 bytes are offered to GetShortPathNameA.
const unsigned int kShortPathBufferSize = 256;
const unsigned int kShortPathCapacity = 255;

// The bytes of `text`; null when `text` is null (the Java callers never pass
// null, and the platform is not bothered with it) or when the VM cannot give
// them (its OutOfMemoryError is then pending).
const char* bytes_of(JNIEnv* env, jstring text) {
    return text == nullptr ? nullptr : env->GetStringUTFChars(text, nullptr);
}

}  // namespace

extern "C" TUNEGATE_EXPORT jstring JNICALL Java_com_brightfen_mci_Mci_sendMciCommand(JNIEnv* env, jclass,
                                                                                     jstring command) {
    const char* bytes = bytes_of(env, command);
    if (bytes == nullptr) {
        return nullptr;
    }
    // Any reply text of MCI is not asked for and never reaches the caller.
    const MCIERROR code = mciSendStringA(bytes, nullptr, 0, nullptr);
    // The bytes are released before any result is formed, on every path.
    env->ReleaseStringUTFChars(command, bytes);
    if (code == 0) {
        return nullptr;
    }
    std::printf("Mci error: %i", static_cast<int>(code));
    char text[kErrorTextCapacity];
    // A code for which MCI has no text yields the empty string.
    text[0] = '\0';
    if (!mciGetErrorStringA(code, text, kErrorTextCapacity)) {
        text[0] = '\0';
    }
    text[kErrorTextCapacity - 1] = '\0';
    return env->NewStringUTF(text);
}

extern "C" TUNEGATE_EXPORT jstring JNICALL Java_com_brightfen_mci_Mci_convertToShort(JNIEnv* env, jclass,
                                                                                     jstring path) {
    const char* bytes = bytes_of(env, path);
    if (bytes == nullptr) {
        return nullptr;
    }
    char short_path[kShortPathBufferSize];
    const DWORD length = GetShortPathNameA(bytes, short_path, kShortPathCapacity);
    env->ReleaseStringUTFChars(path, bytes);
    // 0 means failure (such as a missing file); a value of the capacity or
    // more is the size a short form that does not fit would need. Either way
    // the caller gets its own path back.
    if (length == 0 || length >= kShortPathCapacity) {
        return path;
    }
    short_path[length] = '\0';
    return env->NewStringUTF(short_path);
}
