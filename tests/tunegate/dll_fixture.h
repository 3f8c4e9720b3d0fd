// The built tunegate.dll, loaded once per program as the Java VM loads it,
// with its two natives resolved and a fresh JNI environment of the tests' own
// for each test, which must be used correctly by the end of it. Every test
// starts with no MCI device open. TUNEGATE_DLL_PATH names the library.
#ifndef VANDREL_TESTS_TUNEGATE_DLL_FIXTURE_H
#define VANDREL_TESTS_TUNEGATE_DLL_FIXTURE_H

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string>

#include "fake_jni.h"

#ifndef TUNEGATE_DLL_PATH
#error TUNEGATE_DLL_PATH names the library under test
#endif

// The exports' names in this word size's decoration, and the other's.
#ifdef _WIN64
constexpr const char* kSendName = "Java_com_brightfen_mci_Mci_sendMciCommand";
constexpr const char* kConvertName = "Java_com_brightfen_mci_Mci_convertToShort";
constexpr const char* kForeignSendName = "_Java_com_brightfen_mci_Mci_sendMciCommand@12";
#else
constexpr const char* kSendName = "_Java_com_brightfen_mci_Mci_sendMciCommand@12";
constexpr const char* kConvertName = "_Java_com_brightfen_mci_Mci_convertToShort@12";
constexpr const char* kForeignSendName = "Java_com_brightfen_mci_Mci_sendMciCommand";
#endif

class TunegateDllTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { library = LoadLibraryA(TUNEGATE_DLL_PATH); }

    void SetUp() override {
        ASSERT_NE(nullptr, library) << "cannot load " << TUNEGATE_DLL_PATH << ": error " << GetLastError();
        send_method = reinterpret_cast<NativeMethod>(reinterpret_cast<void*>(GetProcAddress(library, kSendName)));
        convert_method = reinterpret_cast<NativeMethod>(reinterpret_cast<void*>(GetProcAddress(library, kConvertName)));
        ASSERT_NE(nullptr, send_method) << kSendName;
        ASSERT_NE(nullptr, convert_method) << kConvertName;
        fake_jni_reset(&fake);
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
        temp_directory = temp;
        // Whatever an earlier test left open.
        mciSendStringA("close all", nullptr, 0, nullptr);
    }

    void TearDown() override { EXPECT_TRUE(fake_jni_used_correctly(fake)); }

    // sendMciCommand called through the fake JNI, its standard output in *printed.
    jstring send(const std::string& command, std::string* printed) {
        return fake_jni_call(&fake, send_method, command, printed);
    }

    static inline HMODULE library = nullptr;
    NativeMethod send_method = nullptr;
    NativeMethod convert_method = nullptr;
    FakeJni fake;
    std::string temp_directory;
};

#endif
