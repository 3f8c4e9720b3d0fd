#include "fake_jni.h"

#include "support/capture.h"

FakeJni* fake_jni = nullptr;

namespace {

const std::string* string_of(jstring string) { return reinterpret_cast<const std::string*>(string); }

int index_of(const FakeJni* fake, jstring string) {
    for (std::size_t i = 0; i < fake->strings.size(); ++i) {
        if (string_of(string) == &fake->strings[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const char* JNICALL get_string_utf_chars(JNIEnv*, jstring string, jboolean* is_copy) {
    ++fake_jni->get_calls;
    if (is_copy != nullptr) {
        ++fake_jni->copy_flag_requests;
    }
    if (fake_jni->fail_get || index_of(fake_jni, string) < 0) {
        return nullptr;
    }
    // A copy of its own, so that bytes used after their release are garbage.
    const std::string& bytes = *string_of(string);
    char* copy = static_cast<char*>(std::malloc(bytes.size() + 1));
    std::memcpy(copy, bytes.c_str(), bytes.size() + 1);
    fake_jni->outstanding.push_back(copy);
    return copy;
}

void JNICALL release_string_utf_chars(JNIEnv*, jstring string, const char* chars) {
    ++fake_jni->release_calls;
    std::vector<char*>& held = fake_jni->outstanding;
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (held[i] == chars) {
            const std::string& bytes = *string_of(string);
            if (index_of(fake_jni, string) < 0 || bytes.compare(chars) != 0) {
                ++fake_jni->bad_releases;
            }
            std::memset(held[i], 'X', std::strlen(held[i]));
            std::free(held[i]);
            held.erase(held.begin() + static_cast<long>(i));
            return;
        }
    }
    ++fake_jni->bad_releases;
}

jstring JNICALL new_string_utf(JNIEnv*, const char* bytes) {
    ++fake_jni->new_calls;
    if (!fake_jni->outstanding.empty()) {
        ++fake_jni->held_at_new;
    }
    fake_jni->strings.push_back(bytes);
    fake_jni->made_by_library.push_back(true);
    return reinterpret_cast<jstring>(&fake_jni->strings.back());
}

}  // namespace

void fake_jni_reset(FakeJni* fake) {
    for (char* copy : fake->outstanding) {
        std::free(copy);
    }
    fake->outstanding.clear();
    fake->strings.clear();
    fake->made_by_library.clear();
    std::memset(&fake->table, 0, sizeof fake->table);
    fake->table.GetStringUTFChars = get_string_utf_chars;
    fake->table.ReleaseStringUTFChars = release_string_utf_chars;
    fake->table.NewStringUTF = new_string_utf;
    fake->env.functions = &fake->table;
    fake->get_calls = 0;
    fake->release_calls = 0;
    fake->new_calls = 0;
    fake->copy_flag_requests = 0;
    fake->bad_releases = 0;
    fake->held_at_new = 0;
    fake->fail_get = false;
    fake_jni = fake;
}

jstring fake_jni_string(FakeJni* fake, const std::string& bytes) {
    fake->strings.push_back(bytes);
    fake->made_by_library.push_back(false);
    return reinterpret_cast<jstring>(&fake->strings.back());
}

bool fake_jni_text(const FakeJni* fake, jstring string, std::string* bytes) {
    const int index = index_of(fake, string);
    if (index < 0) {
        return false;
    }
    *bytes = fake->strings[static_cast<std::size_t>(index)];
    return true;
}

bool fake_jni_made_by_library(const FakeJni* fake, jstring string) {
    const int index = index_of(fake, string);
    return index >= 0 && fake->made_by_library[static_cast<std::size_t>(index)];
}

jstring fake_jni_call(FakeJni* fake, NativeMethod method, const std::string& argument, std::string* printed) {
    StreamCapture capture(1);
    const jstring result = method(&fake->env, nullptr, fake_jni_string(fake, argument));
    *printed = capture.finish();
    return result;
}

::testing::AssertionResult fake_jni_used_correctly(const FakeJni& fake) {
    if (fake.copy_flag_requests == 0 && fake.bad_releases == 0 && fake.held_at_new == 0 && fake.outstanding.empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << fake.copy_flag_requests << " copy flag request(s), " << fake.bad_releases
                                         << " bad release(s), " << fake.held_at_new
                                         << " result(s) formed while bytes were held, " << fake.outstanding.size()
                                         << " copy(ies) never released";
}

::testing::AssertionResult fake_jni_calls(const FakeJni& fake, int get, int release, int made) {
    if (fake.get_calls == get && fake.release_calls == release && fake.new_calls == made) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "GetStringUTFChars " << fake.get_calls << ", ReleaseStringUTFChars "
                                         << fake.release_calls << ", NewStringUTF " << fake.new_calls << "; expected "
                                         << get << ", " << release << ", " << made;
}
