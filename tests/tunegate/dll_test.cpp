// The built tunegate.dll, loaded as the Java VM loads it and driven through a
// JNI environment of the tests' own, over the real multimedia library and
// kernel of this Windows (Wine).

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "fake_jni.h"
#include "mci_error_texts.h"

#ifndef TUNEGATE_DLL_PATH
#error TUNEGATE_DLL_PATH names the library under test
#endif

namespace {

#ifdef _WIN64
const char* const send_name = "Java_com_brightfen_mci_Mci_sendMciCommand";
const char* const convert_name = "Java_com_brightfen_mci_Mci_convertToShort";
const char* const foreign_send_name = "_Java_com_brightfen_mci_Mci_sendMciCommand@12";
#else
const char* const send_name = "_Java_com_brightfen_mci_Mci_sendMciCommand@12";
const char* const convert_name = "_Java_com_brightfen_mci_Mci_convertToShort@12";
const char* const foreign_send_name = "Java_com_brightfen_mci_Mci_sendMciCommand";
#endif

class TunegateDll : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        library = LoadLibraryA(TUNEGATE_DLL_PATH);
    }

    void SetUp() override
    {
        ASSERT_NE(nullptr, library) << "cannot load " << TUNEGATE_DLL_PATH << ": error " << GetLastError();
        send_method = reinterpret_cast<NativeMethod>(reinterpret_cast<void*>(GetProcAddress(library, send_name)));
        convert_method =
            reinterpret_cast<NativeMethod>(reinterpret_cast<void*>(GetProcAddress(library, convert_name)));
        ASSERT_NE(nullptr, send_method) << send_name;
        ASSERT_NE(nullptr, convert_method) << convert_name;
        fake_jni_reset(&fake);
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
        temp_directory = temp;
        // Whatever an earlier test left open.
        mciSendStringA("close all", nullptr, 0, nullptr);
    }

    void TearDown() override
    {
        EXPECT_TRUE(fake_jni_used_correctly(fake));
    }

    jstring send(const std::string& command, std::string* printed)
    {
        return fake_jni_call(&fake, send_method, command, printed);
    }

    std::string text(jstring string)
    {
        std::string bytes;
        EXPECT_TRUE(fake_jni_text(&fake, string, &bytes));
        return bytes;
    }

    static HMODULE library;
    NativeMethod send_method;
    NativeMethod convert_method;
    FakeJni fake;
    std::string temp_directory;
};

HMODULE TunegateDll::library = nullptr;

TEST_F(TunegateDll, ExportsOnlyTheNamesTheJavaVmLooksUp)
{
    EXPECT_EQ(nullptr, GetProcAddress(library, foreign_send_name));
    EXPECT_EQ(nullptr, GetProcAddress(library, "JNI_OnLoad"));
    EXPECT_EQ(nullptr, GetProcAddress(library, "JNI_OnLoad@8"));
    EXPECT_EQ(nullptr, GetProcAddress(library, "JNI_OnUnload"));
    EXPECT_EQ(nullptr, GetProcAddress(library, "DllMain"));
}

TEST_F(TunegateDll, AcceptedCommandReturnsNullAndPrintsNothing)
{
    std::string printed = "sentinel";
    EXPECT_EQ(nullptr, send("close all", &printed));
    EXPECT_EQ("", printed);
    EXPECT_EQ(nullptr, send("Close ALL", &printed));
    EXPECT_EQ("", printed);
    EXPECT_EQ(2, fake.get_calls);
    EXPECT_EQ(2, fake.release_calls);
    EXPECT_EQ(0, fake.new_calls);
}

TEST_F(TunegateDll, UnknownAliasReturnsTheTextOfMciAndPrintsTheCode)
{
    std::string printed;
    const jstring result = send("close tunegate_no_such_alias", &printed);
    ASSERT_NE(nullptr, result);
    EXPECT_TRUE(fake_jni_made_by_library(&fake, result));
    EXPECT_EQ("The specified device is not open or is not recognized by MCI.", text(result));
    EXPECT_EQ("Mci error: 263", printed);
    EXPECT_EQ(1, fake.get_calls);
    EXPECT_EQ(1, fake.release_calls);
    EXPECT_EQ(1, fake.new_calls);
}

TEST_F(TunegateDll, EmptyCommandIsRejected)
{
    std::string printed;
    const jstring result = send("", &printed);
    ASSERT_NE(nullptr, result);
    EXPECT_EQ("No command was specified.", text(result));
    EXPECT_EQ("Mci error: 267", printed);
    EXPECT_EQ(1, fake.release_calls);
}

TEST_F(TunegateDll, NullArgumentsReturnNullWithoutTouchingTheEnvironment)
{
    EXPECT_EQ(nullptr, send_method(&fake.env, nullptr, nullptr));
    EXPECT_EQ(nullptr, convert_method(&fake.env, nullptr, nullptr));
    EXPECT_EQ(0, fake.get_calls);
    EXPECT_EQ(0, fake.release_calls);
}

TEST_F(TunegateDll, ShortFormOfAnExistingFile)
{
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

TEST_F(TunegateDll, MissingFileKeepsItsPath)
{
    const std::string missing = temp_directory + "tunegate no such directory\\no such file.mp3";
    const jstring path = fake_jni_string(&fake, missing);
    EXPECT_EQ(path, convert_method(&fake.env, nullptr, path));
    EXPECT_EQ(0, fake.new_calls);
    EXPECT_EQ(1, fake.release_calls);
    EXPECT_EQ(missing, text(path));
}

// The POSIX stand-in answers with these texts; they are held here against
// the multimedia library of Windows itself.
TEST(MciErrorTextsOfWindows, StandInTextsAreTheTextsOfTheMultimediaLibrary)
{
    ASSERT_LT(0u, kMciErrorTextCount);
    for (std::size_t i = 0; i < kMciErrorTextCount; ++i) {
        char text[128];
        std::memset(text, '#', sizeof text);
        EXPECT_TRUE(mciGetErrorStringA(kMciErrorTexts[i].code, text, sizeof text)) << kMciErrorTexts[i].code;
        EXPECT_STREQ(kMciErrorTexts[i].text, text) << kMciErrorTexts[i].code;
    }
}

} // namespace
