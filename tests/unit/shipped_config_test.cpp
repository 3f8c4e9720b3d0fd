// The launcher's shipped string table (launcher/resources/vandrel.rc), built
// into this program and read the way the launcher reads it: the values a
// program has when nothing is configured, and the comment after each, which
// vandrel-pack keeps after a value it sets (shipped_comments.h).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/text_rules.h"
#include "platform/platform.h"
#include "settings/config.h"
#include "shipped_comments.h"

namespace {

const char kNoRuntimeHead[] = "This program requires the Java Runtime Environment. \nPlease download at ";

// Each value as the launcher reads it; value 8 ends in a download address.
const struct {
    int id;
    const char* value;
} kShipped[] = {
    {kConfigReadme, ""},
    {kConfigRuntimeLibraryPath, ""},
    {kConfigMinVersion, ""},
    {kConfigMaxVersion, ""},
    {kConfigVmArguments, "-Xmx256m"},
    {kConfigLeadingArguments, ""},
    {kConfigTrailingArguments, ""},
    {kConfigNoRuntimeMessage, kNoRuntimeHead},
    {kConfigBadVersionMessage,
     "This program is not compatible with Java version %s.\nPlease contact the author for more information.\n"},
    // Blank: their features off.
    {kConfigWorkingDirectory, ""},
    {kConfigSingleInstance, ""},
    {kConfigOptionsFile, ""},
    {kConfigStartupCache, ""},
    {kConfigSeparateProcess, ""},
    {kConfigArgumentQuoting, ""},
};

TEST(ShippedConfig, EachValueIsItsDefaultFollowedByTheCommentVandrelPackKeeps) {
    for (const auto& row : kShipped) {
        SCOPED_TRACE(row.id);
        char value[kConfigValueCapacity], raw[kConfigValueCapacity];
        int length = read_config_string(row.id, value, sizeof value);
        ASSERT_EQ(int(strlen(value)), length);
        std::string text(value);
        if (row.id == kConfigNoRuntimeMessage) {
            // The head, then an address on a line of its own.
            ASSERT_EQ(0u, text.find(kNoRuntimeHead));
            std::string address = text.substr(strlen(kNoRuntimeHead));
            ASSERT_FALSE(address.empty());
            EXPECT_EQ('\n', address.back());
            address.pop_back();
            EXPECT_FALSE(address.empty());
            EXPECT_EQ(std::string::npos, address.find_first_of("\n\r# %"));
        } else {
            EXPECT_EQ(row.value, text);
        }
        ASSERT_GT(platform.load_string(unsigned(row.id), raw, sizeof raw), 0);
        EXPECT_EQ(text + kShippedComments[row.id], std::string(raw));
    }
}

TEST(ShippedConfig, TheMessagesArePrintedAsFormats) {
    char text[kConfigValueCapacity];
    read_config_string(kConfigNoRuntimeMessage, text, sizeof text);
    EXPECT_TRUE(is_safe_message_format(text, 0));
    read_config_string(kConfigBadVersionMessage, text, sizeof text);
    EXPECT_TRUE(is_safe_message_format(text, 1));
}

TEST(ShippedConfig, NoOtherIdOfTheFirstBlockIsSet) {
    char raw[kConfigValueCapacity];
    for (unsigned id : {0u, 16u}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(0, platform.load_string(id, raw, sizeof raw));
    }
}

}  // namespace
