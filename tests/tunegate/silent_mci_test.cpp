// The silent MCI of POSIX systems, for the multimedia library and the short-path call:
// its command parser, its devices kept by alias, its error codes and texts.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "mci_error_texts.h"
#include "silent_mci.h"
#include "support/files.h"
#include "wine_mci_answers.h"

namespace {

std::string word(const MciWord& w) { return w.text == nullptr ? std::string() : std::string(w.text, w.length); }

// ---------------------------------------------------------------- parser

TEST(MciParser, ReadsTheCommandsOfTheSoundClasses) {
    const char* open = "open C:\\MUSIC~1\\TRACK.MP3 type MPEGVideo Alias 3_1700000000000";
    MciCommand c = mci_parse_command(open);
    EXPECT_EQ(0u, c.error);
    EXPECT_EQ(0u, c.argument_error);
    EXPECT_EQ(kMciVerbOpen, c.verb);
    EXPECT_EQ(open + 5, c.device.text);
    EXPECT_EQ("C:\\MUSIC~1\\TRACK.MP3", word(c.device));
    EXPECT_EQ("MPEGVideo", word(c.type));
    EXPECT_EQ("3_1700000000000", word(c.alias));

    c = mci_parse_command("play a repeat from 0");
    EXPECT_EQ(kMciVerbPlay, c.verb);
    EXPECT_EQ("a", word(c.device));
    EXPECT_TRUE(c.repeat);
    EXPECT_TRUE(c.has_from);
    EXPECT_EQ(0u, c.from);
    EXPECT_EQ(0u, c.argument_error);

    c = mci_parse_command("play a from 4294967295");
    EXPECT_FALSE(c.repeat);
    EXPECT_EQ(4294967295u, c.from);

    c = mci_parse_command("play a");
    EXPECT_FALSE(c.has_from);
    EXPECT_FALSE(c.repeat);

    c = mci_parse_command("status a mode");
    EXPECT_EQ(kMciVerbStatus, c.verb);
    EXPECT_EQ(kMciStatusMode, c.status_item);

    c = mci_parse_command("setaudio a volume to 1000");
    EXPECT_EQ(kMciVerbSetaudio, c.verb);
    EXPECT_TRUE(c.has_volume);
    EXPECT_EQ(1000u, c.volume);
    EXPECT_EQ(0u, c.argument_error);

    EXPECT_EQ(kMciVerbStop, mci_parse_command("stop a").verb);
    EXPECT_EQ(kMciVerbPause, mci_parse_command("pause a").verb);
    EXPECT_EQ(kMciVerbResume, mci_parse_command("resume a").verb);
    EXPECT_EQ(kMciVerbClose, mci_parse_command("close a").verb);
}

TEST(MciParser, KeywordsIgnoreCaseAndSpacing) {
    const MciCommand c = mci_parse_command("  OPEN\tf.mp3   TYPE mpegvideo\tALIAS Tune  WAIT ");
    EXPECT_EQ(0u, c.error);
    EXPECT_EQ(0u, c.argument_error);
    EXPECT_EQ(kMciVerbOpen, c.verb);
    EXPECT_EQ("f.mp3", word(c.device));
    EXPECT_EQ("Tune", word(c.alias));

    EXPECT_EQ(kMciStatusMode, mci_parse_command("Status x MoDe").status_item);
    EXPECT_TRUE(mci_parse_command("PLAY x REPEAT").repeat);
    EXPECT_TRUE(mci_parse_command("Stop ALL").device_is_all);
    EXPECT_TRUE(mci_parse_command("close all").device_is_all);
    EXPECT_FALSE(mci_parse_command("close allegro").device_is_all);
}

TEST(MciParser, QuotedWordsKeepTheirSpaces) {
    MciCommand c = mci_parse_command("open \"/music dir/my track.mp3\" alias \"a b\"");
    EXPECT_EQ(0u, c.error);
    EXPECT_EQ(0u, c.argument_error);
    EXPECT_EQ("/music dir/my track.mp3", word(c.device));
    EXPECT_EQ("a b", word(c.alias));

    EXPECT_EQ(kMciErrorNoClosingQuote, mci_parse_command("open \"/music dir/x.mp3").error);
    EXPECT_EQ(kMciErrorNoClosingQuote, mci_parse_command("open x alias \"a").argument_error);
    EXPECT_EQ(kMciErrorExtraCharacters, mci_parse_command("open \"x\"y alias a").error);
}

TEST(MciParser, ErrorsUpToTheDeviceName) {
    EXPECT_EQ(kMciErrorMissingCommandString, mci_parse_command("").error);
    EXPECT_EQ(kMciErrorMissingCommandString, mci_parse_command(" \t ").error);
    EXPECT_EQ(kMciErrorMissingCommandString, mci_parse_command(nullptr).error);
    EXPECT_EQ(kMciErrorUnrecognizedCommand, mci_parse_command("fly a").error);
    EXPECT_EQ(kMciErrorUnrecognizedCommand, mci_parse_command("opens a").error);
    EXPECT_EQ(kMciErrorMissingDeviceName, mci_parse_command("play").error);
    EXPECT_EQ(kMciErrorMissingDeviceName, mci_parse_command("open  ").error);
    for (const char* command : {"open all", "play all", "stop all", "pause all", "resume all", "status all mode"}) {
        EXPECT_EQ(kMciErrorCannotUseAll, mci_parse_command(command).error) << command;
    }
    EXPECT_EQ(kMciErrorUnrecognizedCommand, mci_parse_command("setaudio all volume to 5").error);
    EXPECT_EQ(0u, mci_parse_command("close all").error);
}

TEST(MciParser, ErrorsBehindTheDeviceName) {
    struct Case {
        const char* command;
        MCIERROR error;
    };
    const Case cases[] = {
        {"open f type", kMciErrorMissingParameter},
        {"open f alias", kMciErrorMissingParameter},
        {"open f type a type b", kMciErrorDuplicateFlags},
        {"open f alias a alias b", kMciErrorDuplicateFlags},
        {"open f shareable", kMciErrorUnrecognizedKeyword},
        {"play a from", kMciErrorMissingParameter},
        {"play a from x", kMciErrorBadInteger},
        {"play a from -1", kMciErrorBadInteger},
        {"play a from 4294967296", kMciErrorBadInteger},
        {"play a from 1 from 2", kMciErrorDuplicateFlags},
        {"play a repeat repeat", kMciErrorDuplicateFlags},
        {"play a backwards", kMciErrorUnrecognizedKeyword},
        {"play a mode", kMciErrorUnrecognizedKeyword},
        {"stop a now", kMciErrorUnrecognizedKeyword},
        {"close a repeat", kMciErrorUnrecognizedKeyword},
        {"status a", kMciErrorMissingParameter},
        {"status a mode mode", kMciErrorDuplicateFlags},
        {"status a length", kMciErrorUnrecognizedKeyword},
        {"setaudio a", kMciErrorMissingParameter},
        {"setaudio a volume", kMciErrorMissingParameter},
        {"setaudio a volume to", kMciErrorMissingParameter},
        {"setaudio a volume 5", kMciErrorMissingParameter},
        {"setaudio a volume to loud", kMciErrorBadInteger},
        {"setaudio a volume to 1001", kMciErrorOutOfRange},
        {"setaudio a treble to 5", kMciErrorUnrecognizedKeyword},
        {"stop a wait wait", kMciErrorDuplicateFlags},
    };
    for (const Case& c : cases) {
        const MciCommand parsed = mci_parse_command(c.command);
        EXPECT_EQ(0u, parsed.error) << c.command;
        EXPECT_EQ(c.error, parsed.argument_error) << c.command;
    }
    EXPECT_EQ(0u, mci_parse_command("play a wait notify").argument_error);
    EXPECT_EQ(0u, mci_parse_command("setaudio a volume to 0").argument_error);
}

// ---------------------------------------------------------------- devices

class MciDevices : public ::testing::Test {
  protected:
    void SetUp() override {
        directory = scratch.path();
        track = scratch / "track.mp3";
        other = scratch / "other.mp3";
        write_file(track, "ID3");
        write_file(other, "ID3");
        ASSERT_EQ(0u, mciSendStringA("close all", nullptr, 0, nullptr));
    }

    void TearDown() override { mciSendStringA("close all", nullptr, 0, nullptr); }

    static MCIERROR send(const std::string& command) { return mciSendStringA(command.c_str(), nullptr, 0, nullptr); }

    static std::string mode(const std::string& alias) {
        char reply[64];
        std::memset(reply, '#', sizeof reply);
        const MCIERROR error = mciSendStringA(("status " + alias + " mode").c_str(), reply, sizeof reply, nullptr);
        if (error != 0) {
            return "error " + std::to_string(error);
        }
        return reply;
    }

    // A command to a device and the device's mode after it.
    struct Step {
        const char* verb;
        const char* arguments;
        const char* mode;
    };
    // Sends each step's command to the device `alias`; each is accepted and
    // leaves the device in the step's mode.
    static void expect_steps(const std::string& alias, std::initializer_list<Step> steps) {
        for (const Step& step : steps) {
            const std::string command = step.verb + (" " + alias) + step.arguments;
            SCOPED_TRACE(command);
            EXPECT_EQ(0u, send(command));
            EXPECT_EQ(step.mode, mode(alias));
        }
    }

    ScratchDir scratch{"mci"};
    std::string directory;
    std::string track;
    std::string other;
};

TEST_F(MciDevices, PlaybackFollowsTheCommandsOfTheSoundClasses) {
    ASSERT_EQ(0u, send("open " + track + " type MPEGVideo Alias 1_17"));
    EXPECT_EQ("stopped", mode("1_17"));
    expect_steps("1_17", {{"play", "", "playing"},
                          {"pause", "", "paused"},
                          {"resume", "", "playing"},
                          {"play", " repeat from 0", "playing"},
                          {"setaudio", " volume to 500", "playing"},
                          {"stop", "", "stopped"}});
    EXPECT_EQ(0u, send("close 1_17"));
    EXPECT_EQ(kMciErrorExtensionNotFound, send("play 1_17"));
}

TEST_F(MciDevices, AliasesIgnoreCase) {
    ASSERT_EQ(0u, send("open " + track + " type MPEGVideo alias Tune"));
    EXPECT_EQ(0u, send("PLAY TUNE"));
    EXPECT_EQ("playing", mode("tUnE"));
    EXPECT_EQ(kMciErrorDuplicateAlias, send("open " + other + " alias tune"));
    EXPECT_EQ(0u, send("close tune"));
    EXPECT_EQ(kMciErrorInvalidDeviceName, send("close Tune"));
}

TEST_F(MciDevices, NonAsciiAliasesMatchByteForByte) {
    ASSERT_EQ(0u, send("open " + track + " alias m\xC3\xA9lodie"));
    EXPECT_EQ(kMciErrorExtensionNotFound, send("play m\xC3\x89lodie"));
    EXPECT_EQ(kMciErrorExtensionNotFound, send("play melodie"));
    EXPECT_EQ(0u, send("close m\xC3\xA9lodie"));
}

TEST_F(MciDevices, OpenRefusesMissingFilesAndNamesInUse) {
    EXPECT_EQ(kMciErrorInternal, send("open " + directory + "/missing.mp3 type MPEGVideo alias a"));
    EXPECT_EQ(kMciErrorInternal, send("open " + directory + " type MPEGVideo alias a"));
    EXPECT_EQ(kMciErrorInvalidDeviceName, send("close a"));

    ASSERT_EQ(0u, send("open " + track + " alias a"));
    EXPECT_EQ(kMciErrorDuplicateAlias, send("open " + other + " alias a"));
    EXPECT_EQ(kMciErrorDuplicateAlias, send("open " + track + " alias a"));
    // Without an alias the file name is the device name.
    ASSERT_EQ(0u, send("open " + other));
    EXPECT_EQ(kMciErrorDeviceOpen, send("open " + other));
    EXPECT_EQ(0u, send("play " + other));
    EXPECT_EQ(0u, send("close " + other));
    // An argument error is reported before the file is looked for.
    EXPECT_EQ(kMciErrorMissingParameter, send("open " + directory + "/missing.mp3 alias"));
}

TEST_F(MciDevices, AnswersWithoutAnOpenDeviceAreThoseOfWine) {
    for (std::size_t i = 0; i < wine_mci_answer_count; ++i) {
        EXPECT_EQ(wine_mci_answers[i].code, send(wine_mci_answers[i].command)) << wine_mci_answers[i].command;
    }
}

TEST_F(MciDevices, UnknownAliasIsReportedBeforeArgumentErrors) {
    for (const char* command : {"play nosuch from x", "status nosuch", "stop nosuch now"}) {
        EXPECT_EQ(kMciErrorExtensionNotFound, send(command)) << command;
    }
    EXPECT_EQ(kMciErrorUnrecognizedCommand, send("setaudio nosuch volume to 5000"));
    EXPECT_EQ(kMciErrorInvalidDeviceName, send("close nosuch repeat"));
    ASSERT_EQ(0u, send("open " + track + " alias a"));
    EXPECT_EQ(kMciErrorMissingParameter, send("status a"));
    EXPECT_EQ(kMciErrorOutOfRange, send("setaudio a volume to 5000"));
    EXPECT_EQ(kMciErrorUnrecognizedCommand, send("rewind a"));
    EXPECT_EQ(kMciErrorMissingCommandString, send(""));
}

TEST_F(MciDevices, PauseAndResumeAreTakenInAnyState) {
    ASSERT_EQ(0u, send("open " + track + " alias a"));
    expect_steps("a", {{"resume", "", "stopped"},
                       {"pause", "", "paused"},
                       {"pause", "", "paused"},
                       {"resume", "", "playing"},
                       {"resume", "", "playing"}});
}

TEST_F(MciDevices, StopAllIsRefusedAndCloseAllClosesEveryDevice) {
    ASSERT_EQ(0u, send("open " + track + " alias a"));
    ASSERT_EQ(0u, send("open " + other + " alias b"));
    ASSERT_EQ(0u, send("play a"));
    EXPECT_EQ(kMciErrorCannotUseAll, send("stop all"));
    EXPECT_EQ("playing", mode("a"));
    EXPECT_EQ("stopped", mode("b"));
    EXPECT_EQ(0u, send("close all"));
    EXPECT_EQ(kMciErrorInvalidDeviceName, send("close a"));
    EXPECT_EQ(kMciErrorInvalidDeviceName, send("close b"));
    // The aliases are free again.
    EXPECT_EQ(0u, send("open " + track + " alias a"));
}

TEST_F(MciDevices, RepliesGoOnlyIntoTheReturnBufferGiven) {
    ASSERT_EQ(0u, send("open " + track + " alias a"));
    char reply[16];
    std::memset(reply, '#', sizeof reply);
    ASSERT_EQ(0u, mciSendStringA("status a mode", reply, sizeof reply, nullptr));
    EXPECT_STREQ("stopped", reply);
    EXPECT_EQ('#', reply[8]);

    std::memset(reply, '#', sizeof reply);
    ASSERT_EQ(0u, mciSendStringA("play a", reply, sizeof reply, nullptr));
    EXPECT_EQ('\0', reply[0]);
    EXPECT_EQ('#', reply[1]);

    // "playing" and its terminator need 8 bytes.
    std::memset(reply, '#', sizeof reply);
    EXPECT_EQ(0u, mciSendStringA("status a mode", reply, 8, nullptr));
    EXPECT_STREQ("playing", reply);
    std::memset(reply, '#', sizeof reply);
    EXPECT_EQ(kMciErrorParamOverflow, mciSendStringA("status a mode", reply, 7, nullptr));
    EXPECT_EQ('#', reply[7]);

    std::memset(reply, '#', sizeof reply);
    EXPECT_EQ(0u, mciSendStringA("status a mode", reply, 0, nullptr));
    EXPECT_EQ('#', reply[0]);
}

// ---------------------------------------------------------------- error texts

TEST(MciErrorTexts, CallerCausedCodesHaveTheEnglishTextsOfWindows) {
    struct Case {
        MCIERROR code;
        const char* text;
    };
    const Case cases[] = {
        {261, "The driver cannot recognize the specified command."},
        {263, "The specified device is not open or is not recognized by MCI."},
        {265, "The device name is already being used as an alias by this application. Use a unique alias."},
        {267, "No command was specified."},
        {273, "The specified command requires a parameter. Please supply one."},
        {274, "The MCI device you are using does not support the specified command."},
        {275, "Cannot find the specified file. Make sure the path and filename are correct."},
        {277, "A problem occurred in initializing MCI. Try restarting Windows."},
        {279, "Cannot use 'all' as the device name with the specified command."},
        {281, "Cannot determine the device type from the given filename extension."},
        {282, "The specified parameter is out of range for the specified command."},
        {289, "The specified alias is already being used in this application. Use a unique alias."},
        {290, "The specified parameter is invalid for this command."},
        {292, "The specified command requires an alias, file, driver, or device name. Please supply one."},
        {302,
         "Cannot carry out the commands in the order specified. Correct the command sequence, and then try "
         "again."},
    };
    for (const Case& c : cases) {
        char text[200];
        std::memset(text, '#', sizeof text);
        EXPECT_NE(0, mciGetErrorStringA(c.code, text, 128)) << c.code;
        EXPECT_STREQ(c.text, text) << c.code;
        EXPECT_EQ('#', text[std::strlen(c.text) + 1]) << c.code;
    }
}

TEST(MciErrorTexts, EveryCodeTheStandInAnswersHasAText) {
    for (MCIERROR code : {kMciErrorUnrecognizedKeyword, kMciErrorParamOverflow, kMciErrorBadInteger,
                          kMciErrorNoClosingQuote, kMciErrorDuplicateFlags, kMciErrorExtraCharacters}) {
        char text[128];
        std::memset(text, '#', sizeof text);
        EXPECT_NE(0, mciGetErrorStringA(code, text, sizeof text)) << code;
        EXPECT_NE(nullptr, std::memchr(text, '\0', sizeof text)) << code;
        EXPECT_LT(10u, std::strlen(text)) << code;
    }
}

TEST(MciErrorTexts, TextIsCutToTheBuffer) {
    char text[16];
    std::memset(text, '#', sizeof text);
    EXPECT_NE(0, mciGetErrorStringA(267, text, 10));
    EXPECT_STREQ("No comman", text);
    EXPECT_EQ('#', text[10]);
}

TEST(MciErrorTexts, UnknownCodeLeavesTheEmptyString) {
    for (MCIERROR code : {0u, 1u, 256u, 262u, 9999u}) {
        char text[8];
        std::memset(text, '#', sizeof text);
        EXPECT_EQ(0, mciGetErrorStringA(code, text, sizeof text)) << code;
        EXPECT_EQ('\0', text[0]) << code;
        EXPECT_EQ('#', text[1]) << code;
    }
    char text[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(0, mciGetErrorStringA(263, text, 0));
    EXPECT_EQ('#', text[0]);
}

// ---------------------------------------------------------------- short paths

TEST_F(MciDevices, ShortFormOfAnExistingPathIsThePathItself) {
    char buffer[512];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(track.size(), GetShortPathNameA(track.c_str(), buffer, 255));
    EXPECT_EQ(track, std::string(buffer));
    EXPECT_EQ('#', buffer[track.size() + 1]);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(directory.size(), GetShortPathNameA(directory.c_str(), buffer, 255));
    EXPECT_EQ(directory, std::string(buffer));
}

TEST_F(MciDevices, ShortFormOfAMissingPathFails) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(0u, GetShortPathNameA((directory + "/missing.mp3").c_str(), buffer, sizeof buffer));
    EXPECT_EQ('#', buffer[0]);
}

TEST_F(MciDevices, ShortFormThatDoesNotFitGivesTheSizeNeeded) {
    char buffer[512];
    const DWORD exact = static_cast<DWORD>(track.size() + 1);
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(exact, GetShortPathNameA(track.c_str(), buffer, exact - 1));
    EXPECT_EQ('#', buffer[0]);
    EXPECT_EQ(exact - 1, GetShortPathNameA(track.c_str(), buffer, exact));
    EXPECT_EQ(track, std::string(buffer));
}

}  // namespace
