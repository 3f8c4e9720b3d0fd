// vandrel-pack's values: what is refused before anything is written, and
// that every accepted value reads back through the comment rule unchanged.
#include <gtest/gtest.h>

#include <string>

#include "pack_edits.h"

namespace {

struct SetCase {
    const char* argument;
    EditResult result;
};

typedef EditResult (*ParseArgument)(const char* argument, PackEdits* edits, std::string* message);

// The argument parsed and, when that succeeded, checked; *message says why not.
EditResult parsed_and_checked(ParseArgument parse, const char* argument, std::string* message) {
    PackEdits edits{};
    EditResult result = parse(argument, &edits, message);
    return result == kEditOk ? check_edits(edits, message, false) : result;
}

TEST(PackEdits, ValuesCheckedBeforeWriting) {
    const std::string long_value(1999, 'v');
    const std::string a1999 = "vm_arguments=" + long_value;
    const std::string a2000 = "vm_arguments=" + long_value + "v";
    const std::string hash1999 = "vm_arguments=#" + long_value.substr(1);
    const std::string hash1998 = "vm_arguments=#" + long_value.substr(2);
    const SetCase cases[] = {
        {a1999.c_str(), kEditOk},
        {a2000.c_str(), kEditRefused},
        {hash1999.c_str(), kEditRefused},  // its keeping "#" would fall beyond the cut
        {hash1998.c_str(), kEditOk},
        {"no_runtime_message=Needs Java: 100%% sure\\n", kEditOk},
        {"no_runtime_message=Needs Java %s", kEditRefused},
        {"no_runtime_message=50%", kEditRefused},
        {"bad_version_message=Java %s is too old (100%%)\\n", kEditOk},
        {"bad_version_message=", kEditOk},
        {"bad_version_message=Java %d", kEditRefused},
        {"bad_version_message=Java %s or %s", kEditRefused},
        {"bad_version_message=no version", kEditRefused},
        {"min_version=11", kEditOk},
        {"min_version=1.8", kEditOk},
        {"min_version=", kEditOk},
        {"min_version=11.0", kEditRefused},
        {"min_version=1_8", kEditRefused},
        {"max_version=0", kEditRefused},
        {"max_version=x", kEditRefused},
        {"runtime_library_path=C:\\new\\jvm.dll", kEditOk},
        {"working_directory=%EXEDIR%\\data", kEditOk},
        {"single_instance=StarPilot", kEditOk},
        {"options_file=%EXEDIR%\\app.vmoptions", kEditOk},
        {"startup_cache=%LOCALAPPDATA%\\Hoop", kEditOk},
        {"separate_process=always", kEditOk},
        {"separate_process=", kEditOk},
        {"separate_process=windows", kEditRefused},
        {"separate_process=Always", kEditRefused},
        {"argument_quoting=windows", kEditOk},
        {"argument_quoting=never", kEditRefused},
        {"startup_cache=D:\\Cache\\Hoop", kEditOk},
        {"startup_cache=", kEditOk},
        {"startup_cache=cache", kEditRefused},
        {"startup_cache=..\\cache", kEditRefused},
        {"startup_cache=%\\cache", kEditRefused},
        {"readme=changed", kEditUsage},
        {"heap=1g", kEditUsage},
        {"vm_arguments", kEditUsage},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.argument);
        std::string message;
        EditResult result = parsed_and_checked(parse_set_argument, c.argument, &message);
        EXPECT_EQ(c.result, result) << message;
        EXPECT_EQ(result == kEditOk, message.empty());
    }
}

TEST(PackEdits, NewValuesAreTakenAsWrittenAndTheCacheHasADefault) {
    PackEdits edits{};
    std::string message;
    ASSERT_EQ(kEditOk, parse_set_argument("options_file=C:\\new\\%NAME%\\x.vmoptions", &edits, &message));
    EXPECT_EQ("C:\\new\\%NAME%\\x.vmoptions", edits.values[12]);
    EXPECT_STREQ("startup_cache", config_label_of_id(13));
    const struct {
        bool windows;
        const char* destination;
        const char* expected;
    } cases[] = {
        {true, "out\\Star Pilot.exe", "%LOCALAPPDATA%\\Star Pilot"},
        {true, "C:/games/hoop.exe", "%LOCALAPPDATA%\\hoop"},
        {true, "100%.exe", "%LOCALAPPDATA%\\100_"},
        {false, "/opt/hoop/hoop", "%XDG_CACHE_HOME%/hoop"},
        {false, "build/hoop.bin", "%XDG_CACHE_HOME%/hoop"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, default_startup_cache(c.windows, c.destination));
    EXPECT_TRUE(under_program_files("C:\\Program Files\\Hoop"));
    EXPECT_TRUE(under_program_files("%ProgramFiles%\\Hoop"));
    EXPECT_FALSE(under_program_files("%LOCALAPPDATA%\\Hoop"));
}

TEST(PackEdits, VersionKeysAndNumbers) {
    const SetCase cases[] = {
        {"ProductName=Demo", kEditOk},        {"FileVersion=1.2.3.4", kEditOk},
        {"ProductVersion=2", kEditOk},        {"FileVersion=1.2.3.4.5", kEditRefused},
        {"ProductVersion=two", kEditRefused}, {"Comments=x", kEditUsage},
        {"ProductName", kEditUsage},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.argument);
        std::string message;
        EXPECT_EQ(c.result, parsed_and_checked(parse_version_argument, c.argument, &message)) << message;
    }
}

// Texts are checked as UTF-8 before anything reads them: a form that a lax
// decoder would turn into "%", a line feed or "#" after the checks is refused.
TEST(PackEdits, OnlyWellFormedUtf8IsTaken) {
    struct Case {
        const char* text;
        bool valid;
    };
    const Case cases[] = {
        {"plain", true},
        {"Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xae", true},
        {"\xef\xbf\xbf \xf4\x8f\xbf\xbf", true},  // U+FFFF and U+10FFFF
        {"\xc0\xa5", false},                      // "%" in two bytes
        {"\xc1\x8a", false},                      // a line feed in two bytes
        {"\xe0\x80\xa3", false},                  // "#" in three bytes
        {"\xf0\x80\x80\xa3", false},              // "#" in four bytes
        {"\xed\xa0\x80", false},                  // a surrogate
        {"\xf4\x90\x80\x80", false},              // past U+10FFFF
        {"\xc3", false},                          // cut short
        {"\xc3(", false},                         // a missing continuation byte
        {"\x80", false},                          // a stray continuation byte
        {"\xff", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.valid, valid_utf8(c.text));
        PackEdits edits{};
        std::string message;
        EXPECT_EQ(c.valid ? kEditOk : kEditRefused,
                  parse_set_argument(("no_runtime_message=" + std::string(c.text)).c_str(), &edits, &message));
        EXPECT_EQ(c.valid ? kEditOk : kEditRefused,
                  parse_version_argument(("ProductName=" + std::string(c.text)).c_str(), &edits, &message));
        edits = PackEdits{};
        edits.class_data_archive = "C:\\" + std::string(c.text);
        EXPECT_EQ(c.valid ? kEditOk : kEditRefused, check_edits(edits, &message, false));
    }
}

TEST(PackEdits, ShownTextsHaveNoControlCharacters) {
    struct Case {
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {"-Xmx1g", "-Xmx1g"},
        {"Caf\xc3\xa9", "Caf\xc3\xa9"},
        {"a\nb\rc\td", "a\\nb\\rc\\td"},
        {"\x1b[2J\x07", "\\x1B[2J\\x07"},
        {"\x7f", "\\x7F"},
        {"\xc2\x9b", "\\xC2\\x9B"},  // U+009B, a C1 control
        {"\xc0\xa5", "\\xC0\\xA5"},  // no UTF-8
    };
    for (const Case& c : cases) EXPECT_EQ(c.shown, escaped_for_terminal(c.text)) << c.text;
}

TEST(PackEdits, VersionTextsFitTheBlockLengths) {
    for (size_t length : {32000u, 33000u}) {
        PackEdits edits{};
        std::string message;
        ASSERT_EQ(kEditOk,
                  parse_version_argument(("ProductName=" + std::string(length, 'x')).c_str(), &edits, &message));
        EXPECT_EQ(length == 32000 ? kEditOk : kEditRefused, check_edits(edits, &message, false)) << length;
    }
}

TEST(PackEdits, StoredValueReadsBackThroughTheCommentRule) {
    struct Case {
        const char* argument;
        const char16_t* read;
    };
    const Case cases[] = {
        {"vm_arguments=-Xmx1g\\n-Dgame.mode=full", u"-Xmx1g\n-Dgame.mode=full"},
        {"leading_arguments=C:\\\\new dir#1", u"C:\\new dir#1"},
        {"runtime_library_path=C:\\new\\jvm.dll", u"C:\\new\\jvm.dll"},
        {"min_version=11", u"11"},
        {"trailing_arguments=", u""},
        {"no_runtime_message=Caf\xc3\xa9 needs Java.\\n", u"Caf\u00e9 needs Java.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        PackEdits edits{};
        std::string message;
        ASSERT_EQ(kEditOk, parse_set_argument(c.argument, &edits, &message));
        int id = 0;
        for (int i = 2; i <= 9; ++i)
            if (edits.has_value[i]) id = i;
        std::u16string stored = stored_config_text(id, edits.values[id]);
        EXPECT_EQ(c.read, value_after_comment_rule(stored));
        EXPECT_EQ(u'#', stored[std::u16string(c.read).size()]);  // the usual comment follows
    }
    // The longest value still reads back whole, its comment cut away by the 1999-byte limit.
    std::string longest(1999, 'v');
    EXPECT_EQ(std::u16string(1999, u'v'), value_after_comment_rule(stored_config_text(5, longest)));
}

TEST(PackEdits, ClassDataArchiveJoinsValueFive) {
    struct Case {
        const char* vm_arguments;
        const char* archive;
        bool auto_create;
        const char* expected;  // null: refused
    };
    const char* const kOptions = "-XX:+IgnoreUnrecognizedVMOptions\n-XX:SharedArchiveFile=C:\\a.jsa\n-Xlog:cds*=off";
    const Case cases[] = {
        {"", "C:\\a.jsa", false, kOptions},
        {"#off", "C:\\a.jsa", false, kOptions},  // a value the launcher reads as no items
        {"-Xmx1g\r\n", "C:\\a.jsa", false,       // items as the launcher splits them
         "-Xmx1g\n-XX:+IgnoreUnrecognizedVMOptions\n-XX:SharedArchiveFile=C:\\a.jsa\n-Xlog:cds*=off"},
        // Configuring again replaces the earlier choice and repeats nothing.
        {"-Xmx1g\n-XX:+IgnoreUnrecognizedVMOptions\n-XX:+AutoCreateSharedArchive\n-XX:SharedArchiveFile=D:\\old.jsa\n"
         "-Xlog:cds*=off\r\n-Dx=1",
         "C:\\a.jsa", false,
         "-Xmx1g\n-Dx=1\n-XX:+IgnoreUnrecognizedVMOptions\n-XX:SharedArchiveFile=C:\\a.jsa\n-Xlog:cds*=off"},
        {"", "\\\\server\\share\\a.jsa", true,
         "-XX:+IgnoreUnrecognizedVMOptions\n-XX:+AutoCreateSharedArchive\n-XX:SharedArchiveFile=\\\\server\\share\\a."
         "jsa\n-Xlog:cds*=off"},
        {"", "c:/games/a.jsa", false,
         "-XX:+IgnoreUnrecognizedVMOptions\n-XX:SharedArchiveFile=c:/games/a.jsa\n-Xlog:cds*=off"},
        {"", "%LOCALAPPDATA%\\Hoop\\a.jsa", true,
         "-XX:+IgnoreUnrecognizedVMOptions\n-XX:+AutoCreateSharedArchive\n-XX:SharedArchiveFile=%LOCALAPPDATA%"
         "\\Hoop\\a."
         "jsa\n-Xlog:cds*=off"},
        {"", "%\\a.jsa", false, nullptr},
        {"", "a.jsa", false, nullptr},
        {"", "C:a.jsa", false, nullptr},
        {"", "\\a.jsa", false, nullptr},
        {"", "/home/a.jsa", false, nullptr},
        {"", "C:\\a\n.jsa", false, nullptr},
        {"", "", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        PackEdits edits{};
        edits.class_data_archive = c.archive;
        edits.class_data_auto = c.auto_create;
        std::string message;
        EditResult result = check_edits(edits, &message, false);
        EXPECT_EQ(c.expected != nullptr, result == kEditOk) << message;
        if (c.expected != nullptr) {
            EXPECT_EQ(c.expected, with_class_data_options(c.vm_arguments, edits));
        }
    }
}

}  // namespace
