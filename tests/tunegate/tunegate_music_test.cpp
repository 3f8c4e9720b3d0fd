// The built tunegate.dll driven as the application's sound classes drive it,
// through a JNI environment of the tests' own, playing a real MP3 over the
// multimedia library of this Windows (Wine, whose MPEGVideo driver plays
// through GStreamer; the sound goes to an ALSA device that discards it).
// What MCI did is read back with the test's own queries, which give MCI a
// return buffer; the library never does. Where Wine answers otherwise than
// Windows, the comment says so.
//
// Playback runs on its own clock: conditions on it are polled for, within a
// generous bound, and no duration is asserted.

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>
#include <string>

#include "dll_fixture.h"
#include "wine_mci_answers.h"

#ifndef TUNEGATE_TEST_MP3
#error TUNEGATE_TEST_MP3 names the tone the test plays
#endif

namespace {

// Polling: 1500 steps of 20 ms, 30 seconds at most.
const DWORD poll_step_ms = 20;
const int poll_steps = 1500;

// The tone lasts 8 seconds; a device that has played this long has time
// left for the commands that follow.
const long played_enough_ms = 600;

class TunegateMusic : public TunegateDllTest {
  protected:
    void SetUp() override {
        TunegateDllTest::SetUp();
        if (HasFatalFailure()) return;
        music_directory = temp_directory + "tunegate music test";
        long_track = music_directory + "\\a rather long track name.mp3";
        CreateDirectoryA(music_directory.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(TUNEGATE_TEST_MP3, long_track.c_str(), FALSE)) << "error " << GetLastError();
    }

    void TearDown() override {
        mciSendStringA("close all", nullptr, 0, nullptr);
        DeleteFileA(long_track.c_str());
        RemoveDirectoryA(music_directory.c_str());
        TunegateDllTest::TearDown();
    }

    std::string text(jstring string) {
        std::string bytes = "(null)";
        if (string != nullptr) {
            EXPECT_TRUE(fake_jni_text(&fake, string, &bytes));
        }
        return bytes;
    }

    // A command MCI accepts: null, and nothing printed.
    void accepted(const std::string& command) {
        std::string printed = "sentinel";
        const jstring reply = send(command, &printed);
        EXPECT_EQ(nullptr, reply) << command << ": " << text(reply);
        EXPECT_EQ("", printed) << command;
    }

    // A command MCI refuses with this code: MCI's text for it, and the
    // error line on standard output.
    void refused(const std::string& command, MCIERROR code) {
        std::string printed;
        const jstring reply = send(command, &printed);
        EXPECT_EQ("Mci error: " + std::to_string(code), printed) << command;
        ASSERT_NE(nullptr, reply) << command;
        EXPECT_TRUE(fake_jni_made_by_library(&fake, reply));
        char expected[128] = "";
        EXPECT_TRUE(mciGetErrorStringA(code, expected, sizeof expected)) << code;
        EXPECT_EQ(std::string(expected), text(reply)) << command;
    }

    std::string convert(const std::string& path) {
        const jstring result = convert_method(&fake.env, nullptr, fake_jni_string(&fake, path));
        EXPECT_NE(nullptr, result) << path;
        return text(result);
    }

    // An alias as the sound classes make them: a counter, "_", the time in
    // milliseconds.
    static std::string new_alias() {
        static int counter = 0;
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER ticks;
        ticks.LowPart = now.dwLowDateTime;
        ticks.HighPart = now.dwHighDateTime;
        const unsigned long long unix_epoch = 116444736000000000ULL;
        return std::to_string(++counter) + "_" + std::to_string((ticks.QuadPart - unix_epoch) / 10000);
    }

    static std::string open_command(const std::string& short_path, const std::string& alias) {
        return "open " + short_path + " type MPEGVideo Alias " + alias;
    }

    // The test's own query, with a return buffer: the reply, or the error.
    static std::string query(const std::string& command) {
        char reply[128] = "";
        const MCIERROR error = mciSendStringA(command.c_str(), reply, sizeof reply, nullptr);
        return error == 0 ? std::string(reply) : "error " + std::to_string(error);
    }

    static std::string mode(const std::string& alias) { return query("status " + alias + " mode"); }

    // In milliseconds, -1 if MCI has none.
    static long position(const std::string& alias) {
        const std::string reply = query("status " + alias + " position");
        char* end = nullptr;
        const long at = std::strtol(reply.c_str(), &end, 10);
        return reply.empty() || *end != '\0' ? -1 : at;
    }

    static bool position_passes(const std::string& alias, long past) {
        for (int step = 0; step < poll_steps; ++step) {
            if (position(alias) > past) {
                return true;
            }
            Sleep(poll_step_ms);
        }
        return false;
    }

    // True once the mode reads `expected`: after a wrap, the device may
    // still be starting the next round (slowly where GStreamer decodes under
    // emulation, on a loaded machine) and read "stopped" for a moment.
    static bool mode_becomes(const std::string& alias, const std::string& expected) {
        for (int step = 0; step < poll_steps; ++step) {
            if (mode(alias) == expected) {
                return true;
            }
            Sleep(poll_step_ms);
        }
        return false;
    }

    // True once the position goes back, as at the start of another round.
    static bool position_wraps(const std::string& alias) {
        long last = position(alias);
        for (int step = 0; step < poll_steps; ++step) {
            Sleep(poll_step_ms);
            const long at = position(alias);
            if (at < last) {
                return true;
            }
            last = at;
        }
        return false;
    }

    std::string music_directory;
    std::string long_track;
};

// The sound classes' isPlaying: true only for a reply equal to "playing",
// case ignored.
bool sound_classes_playing(const FakeJni* fake, jstring reply) {
    std::string bytes;
    return reply != nullptr && fake_jni_text(fake, reply, &bytes) && lstrcmpiA(bytes.c_str(), "playing") == 0;
}

TEST_F(TunegateMusic, CommandsOfTheSoundClassesPlayTheTrack) {
    const std::string short_track = convert(long_track);
    ASSERT_NE(long_track, short_track);
    // MCI splits a command at spaces: the long name does not open.
    refused(open_command(long_track, new_alias()), 261);

    const std::string alias = new_alias();
    // The first open in a fresh prefix starts Wine's services: it may take
    // many seconds.
    accepted(open_command(short_track, alias));
    ASSERT_EQ("stopped", mode(alias));

    accepted("play " + alias);
    EXPECT_EQ("playing", mode(alias));
    ASSERT_TRUE(position_passes(alias, played_enough_ms)) << "position " << position(alias);

    // A query is accepted and its reply never reaches the caller: while MCI
    // plays, the sound classes' playing check says it does not.
    std::string printed = "sentinel";
    const jstring status = send("status " + alias + " mode", &printed);
    EXPECT_EQ(nullptr, status) << text(status);
    EXPECT_EQ("", printed);
    EXPECT_FALSE(sound_classes_playing(&fake, status));
    EXPECT_EQ("playing", mode(alias));

    accepted("pause " + alias);
    EXPECT_EQ("paused", mode(alias));
    const long paused_at = position(alias);
    EXPECT_LE(played_enough_ms, paused_at);

    accepted("play " + alias + " from 0");
    EXPECT_EQ("playing", mode(alias));
    EXPECT_GT(paused_at, position(alias));

    accepted("pause " + alias);
    EXPECT_EQ("paused", mode(alias));
    accepted("resume " + alias);
    EXPECT_EQ("playing", mode(alias));

    // Wine answers no "status ... volume": that the command reaches the
    // device shows in its refusal of a volume beyond the scale of 1000.
    accepted("setaudio " + alias + " volume to 500");
    refused("setaudio " + alias + " volume to 1010", 282);

    // At the end of the track a loop starts it again.
    accepted("play " + alias + " repeat");
    EXPECT_EQ("playing", mode(alias));
    EXPECT_TRUE(position_wraps(alias)) << "position " << position(alias);
    EXPECT_TRUE(mode_becomes(alias, "playing")) << "mode " << mode(alias);

    accepted("play " + alias + " from 0");
    EXPECT_EQ("playing", mode(alias));
    accepted("stop " + alias);
    EXPECT_EQ("stopped", mode(alias));
    // Wine's devices take "pause" and "resume" in any state.
    accepted("pause " + alias);
    accepted("resume " + alias);

    accepted("close " + alias);
    EXPECT_EQ("error 281", mode(alias));
}

TEST_F(TunegateMusic, StopAllLeavesTheMusicPlayingAndCloseAllEndsIt) {
    const std::string alias = new_alias();
    accepted(open_command(convert(long_track), alias));
    accepted("play " + alias);
    ASSERT_EQ("playing", mode(alias));

    // The engine's last two commands. Wine refuses "stop all".
    refused("stop all", 279);
    EXPECT_EQ("playing", mode(alias));
    const long at = position(alias);
    EXPECT_TRUE(position_passes(alias, at)) << "position " << position(alias);

    accepted("close all");
    EXPECT_EQ("error 281", mode(alias));
}

TEST_F(TunegateMusic, AnswersWithoutAnOpenDevice) {
    for (std::size_t i = 0; i < wine_mci_answer_count; ++i) {
        const WineMciAnswer& answer = wine_mci_answers[i];
        if (answer.code == 0) {
            accepted(answer.command);
        } else {
            refused(answer.command, answer.code);
        }
    }
}

TEST_F(TunegateMusic, MissingFileIsRefused) {
    const std::string missing = temp_directory + "tunegate_no_such_track.mp3";
    // Where Windows says the file is not found (275), Wine's MPEGVideo
    // driver reports that its player could not be built: 277.
    refused(open_command(convert(missing), new_alias()), 277);
}

TEST_F(TunegateMusic, NonAsciiNamesReachWindowsUntranslated) {
    ASSERT_NE(static_cast<UINT>(CP_UTF8), GetACP()) << "the ANSI code page is UTF-8 here";
    wchar_t temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
    const std::wstring file = std::wstring(temp) + L"tunegate_Gr\u00fc\u00dfe.mp3";
    const std::wstring source(long_track.begin(), long_track.end());
    ASSERT_TRUE(CopyFileW(source.c_str(), file.c_str(), FALSE)) << "error " << GetLastError();

    char ansi[MAX_PATH];
    char utf8[MAX_PATH];
    ASSERT_LT(0, WideCharToMultiByte(CP_ACP, 0, file.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr));
    ASSERT_LT(0, WideCharToMultiByte(CP_UTF8, 0, file.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr));
    char short_form[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameA(ansi, short_form, sizeof short_form));

    // The Java string's bytes name no file in the ANSI code page: the path
    // comes back as it was, and MCI cannot open it.
    EXPECT_EQ(std::string(utf8), convert(utf8));
    refused(open_command(utf8, new_alias()), 277);
    DeleteFileW(file.c_str());
}

// With the UTF-8 code page (a program packed with --utf8) a Java string's
// bytes are what the ANSI functions read: a path of any script plays.
TEST_F(TunegateMusic, PlaysFromAPathOfEveryScriptWhenTheCodePageIsUtf8) {
    if (GetACP() != CP_UTF8) GTEST_SKIP() << "runs as tunegate_music_utf8, whose manifest makes the code page UTF-8";
    const std::string directory = temp_directory + "tunegate-caf\xC3\xA9-\xE4\xB8\xAD";
    const std::string track = directory + "\\tone-\xC3\xA9\xE4\xB8\xAD.mp3";
    CreateDirectoryA(directory.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(long_track.c_str(), track.c_str(), FALSE)) << "error " << GetLastError();
    const std::string alias = new_alias();
    accepted(open_command(convert(track), alias));
    accepted("play " + alias);
    EXPECT_EQ("playing", mode(alias));
    accepted("close " + alias);
    DeleteFileA(track.c_str());
    RemoveDirectoryA(directory.c_str());
}

}  // namespace
