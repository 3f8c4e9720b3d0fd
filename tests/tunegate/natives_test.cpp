// tunegate's two native methods over recording stand-ins for the platform
// calls: the order of the steps, the arguments handed to the platform, the
// release of the bytes, and the results formed from what the platform wrote.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fake_jni.h"
#include "silent_mci.h"

extern "C" jstring JNICALL Java_com_brightfen_mci_Mci_sendMciCommand(JNIEnv* env, jclass, jstring command);
extern "C" jstring JNICALL Java_com_brightfen_mci_Mci_convertToShort(JNIEnv* env, jclass, jstring path);

namespace {

enum ErrorTextMode {
    error_text_written,
    error_text_untouched_false,
    error_text_garbage_false,
};

// What the platform stand-ins saw and what they answer.
struct RecordingPlatform {
    MCIERROR send_result;
    std::vector<std::string> commands;
    int held_during_send;
    bool send_had_return_text;
    UINT send_return_capacity;
    bool send_had_window;

    ErrorTextMode error_text_mode;
    std::string error_text;
    int error_text_calls;
    MCIERROR error_text_code;
    UINT error_text_capacity;
    int held_during_error_text;

    std::string short_written;
    DWORD short_result;
    int short_calls;
    std::string short_asked;
    DWORD short_capacity;
    int held_during_short;
};

RecordingPlatform platform;

void reset_platform() { platform = RecordingPlatform(); }

}  // namespace

MCIERROR mciSendStringA(const char* command, char* return_text, UINT return_capacity, void* callback_window) {
    platform.commands.push_back(command);
    platform.held_during_send = static_cast<int>(fake_jni->outstanding.size());
    platform.send_had_return_text = return_text != nullptr;
    platform.send_return_capacity = return_capacity;
    platform.send_had_window = callback_window != nullptr;
    return platform.send_result;
}

BOOL mciGetErrorStringA(MCIERROR error, char* text, UINT capacity) {
    ++platform.error_text_calls;
    platform.error_text_code = error;
    platform.error_text_capacity = capacity;
    platform.held_during_error_text = static_cast<int>(fake_jni->outstanding.size());
    switch (platform.error_text_mode) {
        case error_text_written:
            std::memcpy(text, platform.error_text.c_str(), platform.error_text.size() + 1);
            return 1;
        case error_text_garbage_false:
            std::memset(text, 'Z', capacity);
            return 0;
        case error_text_untouched_false:
            break;
    }
    return 0;
}

DWORD GetShortPathNameA(const char* long_path, char* short_path, DWORD capacity) {
    ++platform.short_calls;
    platform.short_asked = long_path;
    platform.short_capacity = capacity;
    platform.held_during_short = static_cast<int>(fake_jni->outstanding.size());
    // Unterminated garbage over the whole offered capacity, then the answer.
    std::memset(short_path, '#', capacity);
    if (!platform.short_written.empty()) {
        std::memcpy(short_path, platform.short_written.c_str(), platform.short_written.size() + 1);
    }
    return platform.short_result;
}

namespace {

class Natives : public ::testing::Test {
  protected:
    void SetUp() override {
        fake_jni_reset(&fake);
        reset_platform();
    }

    void TearDown() override {
        // No misuse of the JNI environment in any test.
        EXPECT_TRUE(fake_jni_used_correctly(fake));
    }

    jstring send(const std::string& command, std::string* printed) {
        return fake_jni_call(&fake, Java_com_brightfen_mci_Mci_sendMciCommand, command, printed);
    }

    std::string text(jstring string) {
        std::string bytes;
        EXPECT_TRUE(fake_jni_text(&fake, string, &bytes));
        return bytes;
    }

    FakeJni fake;
};

TEST_F(Natives, AcceptedCommandReturnsNullPrintsNothingAndAsksForNoReply) {
    platform.send_result = 0;
    std::string printed = "sentinel";
    EXPECT_EQ(nullptr, send("close all", &printed));
    EXPECT_EQ("", printed);
    ASSERT_EQ(1u, platform.commands.size());
    EXPECT_EQ("close all", platform.commands[0]);
    EXPECT_EQ(1, platform.held_during_send);
    EXPECT_FALSE(platform.send_had_return_text);
    EXPECT_EQ(0u, platform.send_return_capacity);
    EXPECT_FALSE(platform.send_had_window);
    EXPECT_EQ(0, platform.error_text_calls);
    EXPECT_TRUE(fake_jni_calls(fake, 1, 1, 0));
}

TEST_F(Natives, RejectedCommandPrintsTheCodeAndReturnsTheTextAfterRelease) {
    platform.send_result = 263;
    platform.error_text = "The specified device is not open or is not recognized by MCI.";
    std::string printed;
    const jstring result = send("play nosuch", &printed);
    ASSERT_NE(nullptr, result);
    EXPECT_TRUE(fake_jni_made_by_library(&fake, result));
    EXPECT_EQ(platform.error_text, text(result));
    EXPECT_EQ("Mci error: 263", printed);
    EXPECT_EQ(1, platform.error_text_calls);
    EXPECT_EQ(263u, platform.error_text_code);
    EXPECT_EQ(128u, platform.error_text_capacity);
    EXPECT_EQ(0, platform.held_during_error_text);
    EXPECT_TRUE(fake_jni_calls(fake, 1, 1, 1));
}

TEST_F(Natives, ErrorCodeIsPrintedInSignedDecimal) {
    platform.send_result = 0x80000001u;
    platform.error_text = "x";
    std::string printed;
    send("open x", &printed);
    EXPECT_EQ("Mci error: -2147483647", printed);
}

TEST_F(Natives, CodeWithoutTextYieldsTheEmptyString) {
    platform.send_result = 999;
    std::string printed;

    platform.error_text_mode = error_text_garbage_false;
    jstring result = send("open x", &printed);
    ASSERT_NE(nullptr, result);
    EXPECT_EQ("", text(result));
    EXPECT_EQ("Mci error: 999", printed);

    platform.error_text_mode = error_text_untouched_false;
    result = send("open x", &printed);
    ASSERT_NE(nullptr, result);
    EXPECT_EQ("", text(result));
    EXPECT_EQ(2, fake.release_calls);
}

TEST_F(Natives, TextFillingTheBufferIsReturnedWhole) {
    platform.send_result = 282;
    platform.error_text = std::string(127, 'e');
    std::string printed;
    const jstring result = send("setaudio a volume to 5000", &printed);
    ASSERT_NE(nullptr, result);
    EXPECT_EQ(platform.error_text, text(result));
}

TEST_F(Natives, CommandBytesReachTheMultimediaLibraryUntranslated) {
    // Modified UTF-8 of "é" and of a supplementary character (surrogates).
    const std::string bytes = "open C:\\m\xC3\xA9lodie\xED\xA0\xBC\xED\xBE\xB5.mp3 alias a";
    std::string printed;
    EXPECT_EQ(nullptr, send(bytes, &printed));
    ASSERT_EQ(1u, platform.commands.size());
    EXPECT_EQ(bytes, platform.commands[0]);
}

TEST_F(Natives, NullCommandReturnsNullWithoutCallingAnything) {
    EXPECT_EQ(nullptr, Java_com_brightfen_mci_Mci_sendMciCommand(&fake.env, nullptr, nullptr));
    EXPECT_TRUE(platform.commands.empty());
    EXPECT_EQ(0, fake.get_calls);
    EXPECT_EQ(0, fake.release_calls);
}

TEST_F(Natives, UndeliverableCommandBytesReturnNullWithoutCallingMci) {
    fake.fail_get = true;
    std::string printed;
    EXPECT_EQ(nullptr, send("close all", &printed));
    EXPECT_TRUE(platform.commands.empty());
    EXPECT_EQ(1, fake.get_calls);
    EXPECT_EQ(0, fake.release_calls);
    EXPECT_EQ("", printed);
}

TEST_F(Natives, ShortFormIsReturnedAfterRelease) {
    platform.short_written = "C:\\PROGRA~1\\GAME\\MUSIC~1.MP3";
    platform.short_result = static_cast<DWORD>(platform.short_written.size());
    const jstring path = fake_jni_string(&fake, "C:\\Program Files\\Game\\Music track.mp3");
    const jstring result = Java_com_brightfen_mci_Mci_convertToShort(&fake.env, nullptr, path);
    ASSERT_NE(nullptr, result);
    EXPECT_EQ(platform.short_written, text(result));
    EXPECT_EQ("C:\\Program Files\\Game\\Music track.mp3", platform.short_asked);
    EXPECT_EQ(255u, platform.short_capacity);
    EXPECT_EQ(1, platform.held_during_short);
    EXPECT_TRUE(fake_jni_calls(fake, 1, 1, 1));
}

TEST_F(Natives, LongestShortFormThatFitsIsReturned) {
    platform.short_written = std::string(254, 's');
    platform.short_result = 254;
    const jstring result = Java_com_brightfen_mci_Mci_convertToShort(&fake.env, nullptr, fake_jni_string(&fake, "p"));
    ASSERT_NE(nullptr, result);
    EXPECT_EQ(platform.short_written, text(result));
}

TEST_F(Natives, FailedConversionReturnsThePathUnchanged) {
    const jstring path = fake_jni_string(&fake, "C:\\missing.mp3");

    platform.short_result = 0;  // no such file
    EXPECT_EQ(path, Java_com_brightfen_mci_Mci_convertToShort(&fake.env, nullptr, path));

    platform.short_result = 256;  // size needed by a short form of 255 characters
    EXPECT_EQ(path, Java_com_brightfen_mci_Mci_convertToShort(&fake.env, nullptr, path));

    platform.short_result = 255;
    EXPECT_EQ(path, Java_com_brightfen_mci_Mci_convertToShort(&fake.env, nullptr, path));

    EXPECT_EQ(0, fake.new_calls);
    EXPECT_EQ(3, fake.get_calls);
    EXPECT_EQ(3, fake.release_calls);
    EXPECT_EQ("C:\\missing.mp3", text(path));
}

TEST_F(Natives, NullOrUndeliverablePathReturnsNull) {
    EXPECT_EQ(nullptr, Java_com_brightfen_mci_Mci_convertToShort(&fake.env, nullptr, nullptr));
    EXPECT_EQ(0, fake.get_calls);
    fake.fail_get = true;
    EXPECT_EQ(nullptr, Java_com_brightfen_mci_Mci_convertToShort(&fake.env, nullptr, fake_jni_string(&fake, "p")));
    EXPECT_EQ(0, platform.short_calls);
    EXPECT_EQ(0, fake.release_calls);
}

}  // namespace
