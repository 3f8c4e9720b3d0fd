// The built tunegate.dll, loaded as the Java VM loads it and driven through a
// JNI environment of the tests' own, over the real multimedia library and
// kernel of this Windows (Wine).

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "dll_fixture.h"
#include "mci_error_texts.h"

namespace {

class TunegateDll : public TunegateDllTest {
  protected:
    std::string text(jstring string) {
        std::string bytes;
        EXPECT_TRUE(fake_jni_text(&fake, string, &bytes));
        return bytes;
    }
};

TEST_F(TunegateDll, ExportsOnlyTheNamesTheJavaVmLooksUp) {
    EXPECT_EQ(nullptr, GetProcAddress(library, kForeignSendName));
    EXPECT_EQ(nullptr, GetProcAddress(library, "JNI_OnLoad"));
    EXPECT_EQ(nullptr, GetProcAddress(library, "JNI_OnLoad@8"));
    EXPECT_EQ(nullptr, GetProcAddress(library, "JNI_OnUnload"));
    EXPECT_EQ(nullptr, GetProcAddress(library, "DllMain"));
}

TEST_F(TunegateDll, AcceptedCommandReturnsNullAndPrintsNothing) {
    std::string printed = "sentinel";
    EXPECT_EQ(nullptr, send("close all", &printed));
    EXPECT_EQ("", printed);
    EXPECT_EQ(nullptr, send("Close ALL", &printed));
    EXPECT_EQ("", printed);
    EXPECT_TRUE(fake_jni_calls(fake, 2, 2, 0));
}

TEST_F(TunegateDll, RejectedCommandReturnsTheTextOfMciAndPrintsTheCode) {
    struct Case {
        const char* command;
        const char* text;
        const char* printed;
    };
    const Case cases[] = {
        {"close tunegate_no_such_alias", "The specified device is not open or is not recognized by MCI.",
         "Mci error: 263"},
        {"", "No command was specified.", "Mci error: 267"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        fake_jni_reset(&fake);
        std::string printed;
        const jstring result = send(c.command, &printed);
        ASSERT_NE(nullptr, result);
        EXPECT_TRUE(fake_jni_made_by_library(&fake, result));
        EXPECT_EQ(c.text, text(result));
        EXPECT_EQ(c.printed, printed);
        EXPECT_TRUE(fake_jni_calls(fake, 1, 1, 1));
        EXPECT_TRUE(fake_jni_used_correctly(fake));
    }
}

TEST_F(TunegateDll, NullArgumentsReturnNullWithoutTouchingTheEnvironment) {
    EXPECT_EQ(nullptr, send_method(&fake.env, nullptr, nullptr));
    EXPECT_EQ(nullptr, convert_method(&fake.env, nullptr, nullptr));
    EXPECT_EQ(0, fake.get_calls);
    EXPECT_EQ(0, fake.release_calls);
}

TEST_F(TunegateDll, ShortFormOfAnExistingFile) {
    const std::string directory = temp_directory + "tunegate long directory name";
    const std::string file = directory + "\\a rather long music file name.mp3";
    CreateDirectoryA(directory.c_str(), nullptr);
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    CloseHandle(handle);

    char expected[MAX_PATH];
    std::memset(expected, 0, sizeof expected);
    const DWORD length = GetShortPathNameA(file.c_str(), expected, sizeof expected);
    ASSERT_NE(0u, length);
    ASSERT_LT(length, 255u);
    // Long names have a distinct short form, so a path handed back unchanged
    // would not pass.
    ASSERT_NE(file, std::string(expected));

    const jstring path = fake_jni_string(&fake, file);
    const jstring result = convert_method(&fake.env, nullptr, path);
    ASSERT_NE(nullptr, result);
    EXPECT_TRUE(fake_jni_made_by_library(&fake, result));
    EXPECT_EQ(std::string(expected), text(result));
    EXPECT_EQ(1, fake.get_calls);
    EXPECT_EQ(1, fake.release_calls);

    DeleteFileA(file.c_str());
    RemoveDirectoryA(directory.c_str());
}

TEST_F(TunegateDll, MissingFileKeepsItsPath) {
    const std::string missing = temp_directory + "tunegate no such directory\\no such file.mp3";
    const jstring path = fake_jni_string(&fake, missing);
    EXPECT_EQ(path, convert_method(&fake.env, nullptr, path));
    EXPECT_EQ(0, fake.new_calls);
    EXPECT_EQ(1, fake.release_calls);
    EXPECT_EQ(missing, text(path));
}

// The silent MCI answers with these texts; they are held here against
// the multimedia library of Windows itself.
TEST(MciErrorTextsOfWindows, StandInTextsAreTheTextsOfTheMultimediaLibrary) {
    ASSERT_LT(0u, kMciErrorTextCount);
    for (std::size_t i = 0; i < kMciErrorTextCount; ++i) {
        char text[128];
        std::memset(text, '#', sizeof text);
        EXPECT_TRUE(mciGetErrorStringA(kMciErrorTexts[i].code, text, sizeof text)) << kMciErrorTexts[i].code;
        EXPECT_STREQ(kMciErrorTexts[i].text, text) << kMciErrorTexts[i].code;
    }
}

}  // namespace
