// Configured values 8 and 9 reach printf only as the formats they may be.
#include <gtest/gtest.h>

#include <string>

#include "base/message_format.h"
#include "support/capture.h"
#include "support/files.h"
#include "base/text_rules.h"

namespace {

TEST(MessageFormat, OnlyPercentSignsAndTheExpectedStringsAreFormats) {
    struct Case {
        const char* text;
        int strings;
        bool safe;
    } cases[] = {
        {"Please install Java.\n", 0, true},  {"100%% sure\n", 0, true},   {"%s", 0, false},
        {"%d%%", 0, false},                   {"ends in %", 0, false},     {"%n", 0, false},
        {"Java %s is too old.\n", 1, true},   {"%s at 100%%", 1, true},    {"no version", 1, false},
        {"%s and %s", 1, false},              {"%s %x", 1, false},         {"% s", 1, false},
        {"%ls", 1, false},                    {"%.1000000s", 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(is_safe_message_format(c.text, c.strings), c.safe);
    }
}

TEST(MessageFormat, UnsafeValuesArePrintedAsTheyAre) {
    StreamCapture err(2);
    print_no_runtime_message("100%% Java\n");
    print_no_runtime_message("%s%n%x\n");
    print_bad_version_message("Java %s is not supported\n", "1.4");
    print_bad_version_message("Needs %d, has ", "1.4");
    EXPECT_EQ(as_written("100% Java\n%s%n%x\nJava 1.4 is not supported\nNeeds %d, has 1.4"), err.finish());
}

}  // namespace
