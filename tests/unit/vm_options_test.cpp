// The VM option list, VM creation with its trace dump over a recording
// creation entry point, the reordering of the user's arguments and the
// application's argument vector. The real Java VM receiving such a list is
// tested in tests/jni.
#include <gtest/gtest.h>
#include <jni.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "vm/app_arguments.h"
#include "settings/config.h"
#include "base/diagnostics.h"
#include "support/capture.h"
#include "support/files.h"
#include "support/platform_fakes.h"
#include "runtime/runtime.h"
#include "vm/vm_options.h"

namespace {

std::vector<std::string> option_texts() {
    std::vector<std::string> texts;
    for (int i = 0; i < vm_option_list.count; ++i)
        texts.push_back(vm_option_list.entries[i].optionString ? vm_option_list.entries[i].optionString : "<null>");
    return texts;
}

// Every option's extraInfo is null.
::testing::AssertionResult extra_info_all_null() {
    for (int i = 0; i < vm_option_list.count; ++i)
        if (vm_option_list.entries[i].extraInfo != nullptr)
            return ::testing::AssertionFailure() << "option " << i << " has extraInfo";
    return ::testing::AssertionSuccess();
}

// What the stand-in creation entry point was given.
struct CreateCall {
    int calls;
    jint version;
    jint option_count;
    JavaVMOption* options;
    jboolean ignore_unrecognized;
    std::vector<std::string> option_texts;
    jint result;
} create_call;

jint JNICALL record_create(JavaVM** vm, void** env, void* args) {
    const JavaVMInitArgs* init = static_cast<const JavaVMInitArgs*>(args);
    ++create_call.calls;
    create_call.version = init->version;
    create_call.option_count = init->nOptions;
    create_call.options = init->options;
    create_call.ignore_unrecognized = init->ignoreUnrecognized;
    create_call.option_texts.clear();
    for (int i = 0; i < init->nOptions; ++i) create_call.option_texts.push_back(init->options[i].optionString);
    *vm = nullptr;
    *env = nullptr;
    return create_call.result;
}

class OptionListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_list();
        const char* classpath = getenv("CLASSPATH");
        had_classpath_ = classpath != nullptr;
        if (had_classpath_) saved_classpath_ = classpath;
        unsetenv("CLASSPATH");
        debug_trace = false;
        create_call = CreateCall();
    }
    void TearDown() override {
        reset_list();
        if (had_classpath_)
            setenv("CLASSPATH", saved_classpath_.c_str(), 1);
        else
            unsetenv("CLASSPATH");
        debug_trace = false;
    }
    // Creation with the trace switch on, refused by the recording entry
    // point; what it printed.
    static std::string traced_creation() {
        RuntimeEntryPoints entry_points = {record_create, nullptr};
        JavaVM* vm = nullptr;
        JNIEnv* env = nullptr;
        create_call.result = JNI_ERR;
        debug_trace = true;
        StreamCapture out(1);
        create_java_vm(&vm, &env, &entry_points);
        return out.finish();
    }
    static void reset_list() {
        free(vm_option_list.entries);
        vm_option_list = {0, 0, nullptr};
    }

  private:
    ScriptedPlatform machine_;  // the real system, restored after each test
    bool had_classpath_ = false;
    std::string saved_classpath_;
};

TEST_F(OptionListTest, StandardOptionsFollowTheClasspathVariable) {
    const std::string home = "-Dapplication.home=" + program_directory();
    struct Case {
        const char* classpath;  // null: not set
        std::vector<std::string> options;
    };
    const Case cases[] = {
        {nullptr, {home}},
        {"/opt/lib/a.jar:lib dir/b.jar", {"-Denv.class.path=/opt/lib/a.jar:lib dir/b.jar", home}},
        {"", {"-Denv.class.path=", home}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.classpath != nullptr ? c.classpath : "CLASSPATH not set");
        reset_list();
        if (c.classpath != nullptr)
            setenv("CLASSPATH", c.classpath, 1);
        else
            unsetenv("CLASSPATH");
        ASSERT_TRUE(add_standard_vm_options());
        EXPECT_EQ(option_texts(), c.options);
        EXPECT_TRUE(extra_info_all_null());
    }
}

TEST_F(OptionListTest, LongValuesAreNotCut) {
    std::string value(5000, 'x');
    value += "/end";
    setenv("CLASSPATH", value.c_str(), 1);
    ASSERT_TRUE(add_standard_vm_options());
    add_class_path_option(value.c_str());
    std::vector<std::string> texts = option_texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "-Denv.class.path=" + value);
    EXPECT_EQ(texts[2], "-Djava.class.path=" + value);
}

unsigned long failing_module_file_name(char*, unsigned long) { return 0; }

TEST_F(OptionListTest, UnknownApplicationHomeIsReported) {
    setenv("CLASSPATH", "cp", 1);
    platform.module_file_name = failing_module_file_name;
    StreamCapture err(2);
    bool added = add_standard_vm_options();
    std::string message = err.finish();
    EXPECT_FALSE(added);
    EXPECT_EQ(message, "Can't launch: Can't determine application home\n");
    for (const std::string& text : option_texts())
        EXPECT_EQ(text.find("-Dapplication.home"), std::string::npos) << text;
}

TEST_F(OptionListTest, ShippedConfigurationFitsTheFirstBlock) {
    char vm_arguments[kConfigValueCapacity];
    ASSERT_GT(read_config_string(kConfigVmArguments, vm_arguments, sizeof vm_arguments), 0);
    ASSERT_TRUE(add_standard_vm_options());
    JavaVMOption* first_block = vm_option_list.entries;
    EXPECT_EQ(vm_option_list.capacity, 4);
    add_vm_options_from_lines(vm_arguments);
    add_class_path_option("/apps/game");
    EXPECT_EQ(option_texts(), (std::vector<std::string>{"-Dapplication.home=" + program_directory(), "-Xmx256m",
                                                        "-Djava.class.path=/apps/game"}));
    EXPECT_EQ(vm_option_list.capacity, 4);
    EXPECT_EQ(vm_option_list.entries, first_block);
    EXPECT_TRUE(extra_info_all_null());
}

TEST_F(OptionListTest, BlockGrowsByDoublingAndKeepsOrder) {
    char texts[9][16];  // room for any int, which -O1 cannot rule out
    int dummy_info = 0;
    for (int i = 0; i < 4; ++i) {
        snprintf(texts[i], sizeof texts[i], "-Do%d", i);
        add_vm_option(texts[i], i == 2 ? &dummy_info : nullptr);
    }
    EXPECT_EQ(vm_option_list.capacity, 4);
    EXPECT_EQ(vm_option_list.count, 4);
    JavaVMOption* first_block = vm_option_list.entries;

    snprintf(texts[4], sizeof texts[4], "-Do4");
    add_vm_option(texts[4], nullptr);
    EXPECT_EQ(vm_option_list.capacity, 8);
    EXPECT_EQ(vm_option_list.count, 5);
    EXPECT_NE(vm_option_list.entries, first_block);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        // The caller's pointers are kept; no text is copied.
        EXPECT_EQ(vm_option_list.entries[i].optionString, texts[i]);
        EXPECT_EQ(vm_option_list.entries[i].extraInfo, i == 2 ? &dummy_info : nullptr);
    }
    for (int i = 5; i < 9; ++i) {
        snprintf(texts[i], sizeof texts[i], "-Do%d", i);
        add_vm_option(texts[i], nullptr);
    }
    EXPECT_EQ(vm_option_list.capacity, 16);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(vm_option_list.entries[i].optionString, texts[i]) << i;
}

TEST_F(OptionListTest, ConfiguredLinesBecomeOptionsInPlace) {
    {
        SCOPED_TRACE("carriage return and line feed");
        char text[] = "-Da=1\r\n-Db=2";
        add_vm_options_from_lines(text);
        EXPECT_EQ(option_texts(), (std::vector<std::string>{"-Da=1", "-Db=2"}));
        ASSERT_EQ(vm_option_list.count, 2);
        EXPECT_EQ(vm_option_list.entries[0].optionString, text);  // items point into the buffer
        EXPECT_EQ(vm_option_list.entries[1].optionString, text + 7);
        EXPECT_TRUE(extra_info_all_null());
    }
    reset_list();
    {
        SCOPED_TRACE("empty line in between, final line feed");
        char text[] = "-Da\n\n-Db\n";
        add_vm_options_from_lines(text);
        EXPECT_EQ(option_texts(), (std::vector<std::string>{"-Da", "", "-Db"}));
    }
    reset_list();
    {
        SCOPED_TRACE("lone carriage return after the last line feed");
        char text[] = "-Da\n\r";
        add_vm_options_from_lines(text);
        EXPECT_EQ(option_texts(), (std::vector<std::string>{"-Da", ""}));
    }
    reset_list();
    {
        SCOPED_TRACE("items are neither trimmed nor unquoted");
        char text[] = " -Dx=\"a b\" \n\t-Dy";
        add_vm_options_from_lines(text);
        EXPECT_EQ(option_texts(), (std::vector<std::string>{" -Dx=\"a b\" ", "\t-Dy"}));
    }
    reset_list();
    {
        SCOPED_TRACE("text beginning with a comment sign");
        char text[] = "#-Da\n-Db";
        add_vm_options_from_lines(text);
        EXPECT_EQ(vm_option_list.count, 0);
        EXPECT_EQ(vm_option_list.entries, nullptr);
    }
}

TEST_F(OptionListTest, ClassPathOptionComesLast) {
    setenv("CLASSPATH", "env.jar", 1);
    ASSERT_TRUE(add_standard_vm_options());
    char text[] = "-Xss1m\n-Dk=v";
    add_vm_options_from_lines(text);
    add_class_path_option("C:\\Apps\\game.exe");
    EXPECT_EQ(option_texts(),
              (std::vector<std::string>{"-Denv.class.path=env.jar", "-Dapplication.home=" + program_directory(),
                                        "-Xss1m", "-Dk=v", "-Djava.class.path=C:\\Apps\\game.exe"}));
}

TEST_F(OptionListTest, CreationHandsOverTheListAndFreesIt) {
    char texts[3][16] = {"-Dfirst", "-Dsecond", "-Dthird"};
    for (char* text : texts) add_vm_option(text, nullptr);
    JavaVMOption* block = vm_option_list.entries;
    RuntimeEntryPoints entry_points = {record_create, nullptr};
    JavaVM* vm = reinterpret_cast<JavaVM*>(&entry_points);  // sentinels, overwritten by the entry point
    JNIEnv* env = reinterpret_cast<JNIEnv*>(&entry_points);

    create_call.result = JNI_ERR;
    StreamCapture out(1);
    EXPECT_FALSE(create_java_vm(&vm, &env, &entry_points));
    EXPECT_EQ(out.finish(), "");  // no dump without the trace switch
    EXPECT_EQ(create_call.calls, 1);
    EXPECT_EQ(create_call.version, 0x00010002);
    EXPECT_EQ(create_call.ignore_unrecognized, JNI_FALSE);
    EXPECT_EQ(create_call.option_count, 3);
    EXPECT_EQ(create_call.options, block);
    EXPECT_EQ(create_call.option_texts, (std::vector<std::string>{"-Dfirst", "-Dsecond", "-Dthird"}));
    EXPECT_EQ(vm, nullptr);
    EXPECT_EQ(env, nullptr);
    // The block is released whatever the result.
    EXPECT_EQ(vm_option_list.entries, nullptr);
    EXPECT_EQ(vm_option_list.count, 0);

    add_vm_option(texts[0], nullptr);
    create_call.result = JNI_OK;
    EXPECT_TRUE(create_java_vm(&vm, &env, &entry_points));
    EXPECT_EQ(create_call.option_count, 1);
    EXPECT_EQ(vm_option_list.entries, nullptr);
}

TEST_F(OptionListTest, TraceDumpListsEveryOption) {
    char texts[3][24] = {"-Dfirst=1", "", "-Djava.class.path=x"};
    for (char* text : texts) add_vm_option(text, nullptr);
    EXPECT_EQ(traced_creation(),
              "JavaVM args:\n"
              "    version 0x00010002, ignoreUnrecognized is JNI_FALSE, nOptions is 3\n"
              "    option[ 0] = '-Dfirst=1'\n"
              "    option[ 1] = ''\n"
              "    option[ 2] = '-Djava.class.path=x'\n");
}

TEST_F(OptionListTest, TraceDumpIndexesAreRightAligned) {
    std::vector<std::string> texts;
    for (int i = 0; i < 101; ++i) texts.push_back("-Dn" + std::to_string(i));
    for (std::string& text : texts) add_vm_option(&text[0], nullptr);
    EXPECT_EQ(vm_option_list.capacity, 128);
    std::string expected = "JavaVM args:\n    version 0x00010002, ignoreUnrecognized is JNI_FALSE, nOptions is 101\n";
    for (int i = 0; i < 101; ++i) {
        char line[64];
        snprintf(line, sizeof line, "    option[%s%d] = '-Dn%d'\n", i < 10 ? " " : "", i, i);
        expected += line;
    }
    std::string dump = traced_creation();
    EXPECT_EQ(dump, expected);
    EXPECT_NE(dump.find("    option[ 9] = '-Dn9'\n    option[10] = '-Dn10'\n"), std::string::npos);
    EXPECT_NE(dump.find("    option[99] = '-Dn99'\n    option[100] = '-Dn100'\n"), std::string::npos);
    EXPECT_EQ(create_call.option_count, 101);
}

std::vector<std::string> vector_texts(char** vector, int count) {
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) texts.push_back(vector[i] ? vector[i] : "<null>");
    return texts;
}

TEST(HoistDashJ, MovesUpperCaseJArgumentsToTheFront) {
    char a[] = "a", j[] = "-J", lower[] = "-jx", b[] = "b", jc[] = "-Jc", jx[] = "-J-Xmx1g", minus[] = "-", c[] = "J";
    char* original[] = {a, j, lower, b, jc, jx, minus, c, nullptr};
    char* copy[9];
    memcpy(copy, original, sizeof copy);
    int argc = 8;
    char** argv = original;
    hoist_dash_j_arguments(&argc, &argv);
    EXPECT_EQ(argc, 8);
    ASSERT_NE(argv, original);
    EXPECT_EQ(vector_texts(argv, argc), (std::vector<std::string>{"", "c", "-Xmx1g", "a", "-jx", "b", "-", "J"}));
    EXPECT_EQ(argv[8], nullptr);
    // The moved arguments point into the originals; the old vector is unchanged.
    EXPECT_EQ(argv[0], j + 2);
    EXPECT_EQ(argv[1], jc + 2);
    EXPECT_EQ(argv[3], a);
    EXPECT_EQ(memcmp(copy, original, sizeof copy), 0);
    free(argv);
}

TEST(HoistDashJ, EmptyVectorGetsItsTerminator) {
    char* original[] = {nullptr};
    int argc = 0;
    char** argv = original;
    hoist_dash_j_arguments(&argc, &argv);
    EXPECT_EQ(argc, 0);
    ASSERT_NE(argv, original);
    EXPECT_EQ(argv[0], nullptr);
    free(argv);
}

TEST(AppArgv, GrowsPastFiveHundredKeepingOrder) {
    AppArgv argv;
    argv.entries = nullptr;
    argv.count = -1;
    argv.capacity = -1;
    init_app_argv(&argv);
    ASSERT_NE(argv.entries, nullptr);
    EXPECT_EQ(argv.count, 0);
    EXPECT_EQ(argv.capacity, 500);

    char leading[] = "lead one\r\n\nlead three\n";
    append_lines_to_argv(leading, &argv);
    EXPECT_EQ(vector_texts(argv.entries, argv.count), (std::vector<std::string>{"lead one", "", "lead three"}));
    EXPECT_EQ(argv.entries[0], leading);  // no copies

    std::vector<std::string> user;
    for (int i = 0; i < 600; ++i) user.push_back("user" + std::to_string(i));
    for (std::string& text : user) append_to_argv(&argv, &text[0]);
    char trailing[] = "tail one\ntail two";
    append_lines_to_argv(trailing, &argv);

    ASSERT_EQ(argv.count, 605);
    EXPECT_EQ(argv.capacity, 1000);
    EXPECT_EQ(argv.entries[0], leading);
    for (int i = 0; i < 600; ++i) ASSERT_EQ(argv.entries[3 + i], &user[size_t(i)][0]) << i;
    EXPECT_STREQ(argv.entries[603], "tail one");
    EXPECT_STREQ(argv.entries[604], "tail two");

    char comment[] = "# nothing but a comment";
    append_lines_to_argv(comment, &argv);
    EXPECT_EQ(argv.count, 605);
    free(argv.entries);
}

}  // namespace
