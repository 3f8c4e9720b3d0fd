// vandrel-pack's command line: the command it makes up, the files it names,
// and the status and message of one that is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "request.h"
#include "support/capture.h"
#include "support/files.h"

namespace {

struct Parsed {
    PackStatus status;
    PackRequest request;
    std::string out, err;
};

// The request points into the arguments: they are kept until the next call.
Parsed parse(const std::vector<std::string>& arguments) {
    static std::vector<std::string> args;
    args = arguments;
    args.insert(args.begin(), "vandrel-pack");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    Parsed p;
    StreamCapture out(1), err(2);
    p.status = parse_request(int(argv.size()), argv.data(), &p.request);
    fflush(stdout), fflush(stderr);
    p.err = err.finish();
    p.out = out.finish();
    return p;
}

TEST(ParseRequest, CommandsAndTheFilesTheyName) {
    struct Case {
        std::vector<std::string> args;
        PackCommand command;
        const char* source;
        const char* destination;  // "": none
        bool any_edit;
    } cases[] = {
        {{"app.jar", "app.exe"}, kCommandPack, "app.jar", "app.exe", false},
        {{"--gui", "app.jar", "app.exe", "--launcher", "l.exe"}, kCommandPack, "app.jar", "app.exe", true},
        {{"--configure", "--set", "vm_arguments=-Xmx1g", "l.exe", "c.exe"}, kCommandConfigure, "l.exe", "c.exe", true},
        {{"--show", "app.exe"}, kCommandShow, "app.exe", "", false},
        {{"--startup-cache=C:\\c", "a.jar", "a.exe"}, kCommandPack, "a.jar", "a.exe", true},
        {{"--utf8", "a.jar", "a.exe"}, kCommandPack, "a.jar", "a.exe", true},
        {{"--version", "--frobnicate"}, kCommandVersion, nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        Parsed p = parse(c.args);
        ASSERT_EQ(kSuccess, p.status) << p.err;
        EXPECT_EQ(c.command, p.request.command);
        EXPECT_EQ(c.any_edit, p.request.any_edit);
        if (c.source) {
            EXPECT_STREQ(c.source, p.request.source);
            EXPECT_STREQ(c.destination, p.request.destination ? p.request.destination : "");
        }
        EXPECT_EQ("", p.out + p.err);
    }
}

TEST(ParseRequest, RefusalsPrintTheirMessageAndTheUsageWhereTheLineIsWrong) {
    struct Case {
        std::vector<std::string> args;
        PackStatus status;
        const char* message;
        bool usage;
    } cases[] = {
        {{}, kUsage, "", true},
        {{"--frobnicate", "a", "b"}, kUsage, "Unknown option: --frobnicate\n", true},
        {{"a.jar", "a.exe", "--icon"}, kUsage, "Option --icon needs a value\n", true},
        {{"--set", "heap=1g", "a.jar", "a.exe"},
         kUsage,
         "Unknown configuration value: heap (the names are runtime_library_path, min_version, max_version, "
         "vm_arguments, leading_arguments, trailing_arguments, no_runtime_message, bad_version_message, "
         "working_directory, single_instance, options_file, startup_cache, separate_process, argument_quoting)\n",
         true},
        {{"--show", "--gui", "a.exe"}, kUsage, "", true},
        {{"--show", "a.exe", "b.exe"}, kUsage, "", true},
        {{"--configure", "--launcher", "l.exe", "a.exe", "b.exe"}, kUsage, "", true},
        {{"a.jar"}, kUsage, "", true},
        {{"--class-data-auto", "a.jar", "a.exe"},
         kValueRefused,
         "--class-data-auto needs --class-data-archive\n",
         false},
        {{"--help", "--frobnicate"}, kSuccess, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "no arguments" : c.args[0]);
        Parsed p = parse(c.args);
        EXPECT_EQ(c.status, p.status);
        EXPECT_EQ(as_written(c.message), p.err);
        EXPECT_EQ(c.usage, p.out.find("Usage:") != std::string::npos) << p.out;
    }
}

}  // namespace
