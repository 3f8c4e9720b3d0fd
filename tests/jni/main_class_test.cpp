// Java strings, class lookup, opening archives and resolving the main class,
// against a real Java VM shared by every test of this process. Its class
// path holds the fixture archives; its default charset is pinned to
// ISO-8859-1 so that the decoding of native bytes does not depend on the
// host's locale.
#include <gtest/gtest.h>
#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "jni_support.h"
#include "support/files.h"
#include "vm/main_class.h"
#include "vm/app_arguments.h"
#include "vm/vm_options.h"

using jni_support::fixture;
using jni_support::pending_exception_name;
using jni_support::take_exception_of;
using jni_support::utf;
using jni_support::utf16;

namespace {

// Its class path holds the fixture archives.
[[maybe_unused]] const ::testing::Environment* const shared_vm =
    ::testing::AddGlobalTestEnvironment(new jni_support::SharedVm(
        {"-Djava.class.path=" + jni_support::fixture_class_path(), "-Dfile.encoding=ISO-8859-1"}));

// A local frame per test, so that no test leaves references behind, and a
// check that no test leaves an exception pending.
class JavaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        env = jni_support::SharedVm::env();
        ASSERT_NE(env, nullptr);
        ASSERT_EQ(env->PushLocalFrame(64), 0);
    }
    void TearDown() override {
        if (env == nullptr) return;
        EXPECT_EQ(pending_exception_name(env), "");
        env->ExceptionClear();
        env->PopLocalFrame(nullptr);
    }

    // The main-class name of a fixture archive, "<null>" for none; fails
    // the test when the archive cannot be opened.
    ::testing::AssertionResult main_class_of(const char* jar_name, std::string* name) {
        jobject jar = open_jar_file(env, fixture(jar_name).c_str());
        if (jar == nullptr) {
            std::string exception = pending_exception_name(env);
            env->ExceptionClear();
            return ::testing::AssertionFailure() << jar_name << " did not open: " << exception;
        }
        jstring result = find_main_class_name(env, jar);
        *name = utf(env, result);
        std::string exception = pending_exception_name(env);
        if (!exception.empty()) {
            env->ExceptionClear();
            return ::testing::AssertionFailure() << jar_name << " left " << exception << " pending";
        }
        return ::testing::AssertionSuccess();
    }

    std::string property(const char* key) { return jni_support::system_property(env, key); }

    JNIEnv* env = nullptr;
};

TEST_F(JavaTest, ManifestMainClassIsReturnedAsWritten) {
    std::string name;
    ASSERT_TRUE(main_class_of("manifest_named.jar", &name));
    // Not checked against the archive, and no entry was looked at: the
    // archive's class with a main method was never loaded.
    EXPECT_EQ(name, "app.Start");
    EXPECT_EQ(property("vandrel.loaded.manifestnamed.Runnable"), "<null>");

    ASSERT_TRUE(main_class_of("probe.jar", &name));
    EXPECT_EQ(name, "argsprobe.Record");
}

TEST_F(JavaTest, SlashedManifestNameStillFindsTheClass) {
    std::string name;
    ASSERT_TRUE(main_class_of("manifest_slashed.jar", &name));
    EXPECT_EQ(name, "slashed/Start");
    jclass by_slashes = find_class_dotted(env, name.c_str());
    ASSERT_NE(by_slashes, nullptr);
    jclass by_dots = find_class_dotted(env, "slashed.Start");
    ASSERT_NE(by_dots, nullptr);
    EXPECT_TRUE(env->IsSameObject(by_slashes, by_dots));
}

TEST_F(JavaTest, ScanTakesTheLastRunnableTopLevelClassInEntryOrder) {
    // Control: the class of missing_super.jar really cannot be loaded.
    EXPECT_EQ(find_class_dotted(env, "missingsuper.Broken"), nullptr);
    EXPECT_TRUE(take_exception_of(env, "java/lang/NoClassDefFoundError"));

    struct Case {
        const char* jar;
        const char* name;
    };
    const Case cases[] = {
        {"last_wins.jar", "lastwins.b.B"},  // no manifest at all
        // The same classes in the other order, behind a manifest without Main-Class.
        {"last_wins_reversed.jar", "lastwins.a.A"},
        // Instance main, other signatures, and a nested class with the method.
        {"none_runnable.jar", "<null>"},
        // Classes without the method do not undo an earlier find.
        {"runnable_first.jar", "nottaken.Good"},
        // Whether the method is public does not matter.
        {"private_main.jar", "privmain.Hidden"},
        // A class that fails to load is skipped.
        {"missing_super.jar", "missingsuper.Last"},
        // Entry names must end in the lower-case class suffix: ".class" and
        // "A.CLASS" (a copy of A's class file) are passed over, although a
        // class A with a main method is on the class path.
        {"plain_a.jar", "A"},
        {"suffixes.jar", "<null>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jar);
        std::string name;
        ASSERT_TRUE(main_class_of(c.jar, &name));
        EXPECT_EQ(name, c.name);
    }
    // Both classes of last_wins.jar were loaded (and so initialised) by the scan.
    EXPECT_EQ(property("vandrel.loaded.lastwins.a.A"), "yes");
    EXPECT_EQ(property("vandrel.loaded.lastwins.b.B"), "yes");
}

TEST_F(JavaTest, NonAsciiEntryNameYieldsItsClass) {
    jobject jar = open_jar_file(env, fixture("umlaut.jar").c_str());
    ASSERT_NE(jar, nullptr);
    jstring name = find_main_class_name(env, jar);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(utf16(env, name), u"pkg.Gr\u00f6\u00dfe");
}

TEST_F(JavaTest, UnreadableManifestFallsBackToTheScan) {
    jobject jar = open_jar_file(env, fixture("bad_manifest.jar").c_str());
    ASSERT_NE(jar, nullptr);
    // Control: reading this manifest throws.
    jclass jar_class = env->GetObjectClass(jar);
    jmethodID get_manifest = env->GetMethodID(jar_class, "getManifest", "()Ljava/util/jar/Manifest;");
    ASSERT_NE(get_manifest, nullptr);
    EXPECT_EQ(env->CallObjectMethod(jar, get_manifest), nullptr);
    EXPECT_TRUE(take_exception_of(env, "java/io/IOException"));

    jstring name = find_main_class_name(env, jar);
    EXPECT_EQ(pending_exception_name(env), "");
    EXPECT_EQ(utf(env, name), "badmanifest.Runs");
}

TEST_F(JavaTest, ThousandClassArchiveYieldsItsLastRunnableClass) {
    std::string name;
    ASSERT_TRUE(main_class_of("many.jar", &name));
    EXPECT_EQ(name, "many.C0010");
}

TEST_F(JavaTest, ArchiveAppendedToAnExecutableOpens) {
    ScratchDir work("packed");
    std::string packed = work / "packed";
    write_file(packed, read_file(program_path()) + read_file(fixture("probe.jar")));
    jobject jar = open_jar_file(env, packed.c_str());
    EXPECT_NE(jar, nullptr) << pending_exception_name(env);
    env->ExceptionClear();
    if (jar != nullptr) {
        EXPECT_EQ(utf(env, find_main_class_name(env, jar)), "argsprobe.Record");
    }
}

TEST_F(JavaTest, OpeningWhatIsNoArchiveLeavesTheExceptionPending) {
    const std::string missing = program_directory() + "/no such archive.jar";
    const std::string text = fixture("notes.txt");
    for (const std::string& path : {missing, text, program_path()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(open_jar_file(env, path.c_str()), nullptr);
        EXPECT_TRUE(take_exception_of(env, "java/io/IOException"));
    }
}

TEST_F(JavaTest, FindClassDottedAcceptsBothForms) {
    jclass expected = env->FindClass("java/lang/String");
    ASSERT_NE(expected, nullptr);
    char dotted[] = "java.lang.String";
    jclass by_dots = find_class_dotted(env, dotted);
    EXPECT_STREQ(dotted, "java.lang.String");  // the caller's text is not changed
    jclass by_slashes = find_class_dotted(env, "java/lang/String");
    ASSERT_NE(by_dots, nullptr);
    ASSERT_NE(by_slashes, nullptr);
    EXPECT_TRUE(env->IsSameObject(by_dots, expected));
    EXPECT_TRUE(env->IsSameObject(by_slashes, expected));

    jclass nested = find_class_dotted(env, "nottaken.Outer$Inner");
    EXPECT_NE(nested, nullptr);

    EXPECT_EQ(find_class_dotted(env, "no.such.Klass"), nullptr);
    EXPECT_TRUE(take_exception_of(env, "java/lang/NoClassDefFoundError"));
}

TEST_F(JavaTest, NativeBytesAreDecodedByTheDefaultCharset) {
    jclass record = env->FindClass("argsprobe/Record");
    ASSERT_NE(record, nullptr);
    jmethodID charset = env->GetStaticMethodID(record, "defaultCharset", "()Ljava/lang/String;");
    ASSERT_NE(charset, nullptr);
    ASSERT_EQ(utf(env, static_cast<jstring>(env->CallStaticObjectMethod(record, charset))), "ISO-8859-1");

    jstring high = java_string_from_native(env, "A\xC4\xE4\xF6\xFC\xDF\xA9\x80\xFFz");
    ASSERT_NE(high, nullptr);
    EXPECT_EQ(utf16(env, high), u"A\u00c4\u00e4\u00f6\u00fc\u00df\u00a9\u0080\u00ffz");

    jstring empty = java_string_from_native(env, "");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(env->GetStringLength(empty), 0);

    jstring plain = java_string_from_native(env, "C:\\Apps\\game.exe -x");
    EXPECT_EQ(utf(env, plain), "C:\\Apps\\game.exe -x");
}

TEST_F(JavaTest, StringArraysKeepCountAndOrder) {
    jobjectArray none = java_string_array_from_native(env, nullptr, 0);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(env->GetArrayLength(none), 0);

    char one[] = "one", empty[] = "", three[] = "thr\xE9\x65";
    char* strings[] = {one, empty, three};
    jobjectArray array = java_string_array_from_native(env, strings, 3);
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(env->GetArrayLength(array), 3);
    EXPECT_EQ(utf(env, static_cast<jstring>(env->GetObjectArrayElement(array, 0))), "one");
    EXPECT_EQ(utf(env, static_cast<jstring>(env->GetObjectArrayElement(array, 1))), "");
    EXPECT_EQ(utf16(env, static_cast<jstring>(env->GetObjectArrayElement(array, 2))), u"thr\u00e9e");
    // The array's element type is String.
    jclass string_array = env->FindClass("[Ljava/lang/String;");
    EXPECT_TRUE(env->IsInstanceOf(array, string_array));
}

// The application's arguments as the launch builds them: leading lines,
// 600 user arguments, trailing lines, handed to a class's main(String[]).
TEST_F(JavaTest, SixHundredArgumentsReachMainInOrder) {
    AppArgv argv;
    init_app_argv(&argv);
    char leading[] = "--first\r\n\n";
    append_lines_to_argv(leading, &argv);
    std::vector<std::string> user;
    for (int i = 0; i < 600; ++i) user.push_back("arg " + std::to_string(i));
    for (std::string& text : user) append_to_argv(&argv, &text[0]);
    char trailing[] = "--last";
    append_lines_to_argv(trailing, &argv);
    ASSERT_EQ(argv.count, 603);

    jobjectArray arguments = java_string_array_from_native(env, argv.entries, argv.count);
    free(argv.entries);
    ASSERT_NE(arguments, nullptr);

    jclass record = find_class_dotted(env, "argsprobe.Record");
    ASSERT_NE(record, nullptr);
    jmethodID main = env->GetStaticMethodID(record, "main", "([Ljava/lang/String;)V");
    ASSERT_NE(main, nullptr);
    env->CallStaticVoidMethod(record, main, arguments);
    ASSERT_EQ(pending_exception_name(env), "");

    jfieldID field = env->GetStaticFieldID(record, "received", "[Ljava/lang/String;");
    ASSERT_NE(field, nullptr);
    jobjectArray received = static_cast<jobjectArray>(env->GetStaticObjectField(record, field));
    ASSERT_NE(received, nullptr);
    ASSERT_EQ(env->GetArrayLength(received), 603);
    EXPECT_EQ(utf(env, static_cast<jstring>(env->GetObjectArrayElement(received, 0))), "--first");
    EXPECT_EQ(utf(env, static_cast<jstring>(env->GetObjectArrayElement(received, 1))), "");
    for (int i = 0; i < 600; ++i) {
        jstring element = static_cast<jstring>(env->GetObjectArrayElement(received, 2 + i));
        ASSERT_EQ(utf(env, element), user[size_t(i)]) << i;
        env->DeleteLocalRef(element);
    }
    EXPECT_EQ(utf(env, static_cast<jstring>(env->GetObjectArrayElement(received, 602))), "--last");
}

}  // namespace
