// The launcher's shipped string table (launcher/resources/vandrel.rc), built
// into this program and read the way the launcher reads it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/config.h"
#include "platform/platform.h"

namespace {

struct Value {
    int length;
    std::string text;
};

Value read_value(int id) {
    std::vector<char> buffer(kConfigValueCapacity, '\x7f');
    Value v;
    v.length = read_config_string(id, buffer.data(), kConfigValueCapacity);
    v.text = v.length > 0 ? std::string(buffer.data()) : std::string();
    return v;
}

TEST(ShippedConfig, CommentOnlyValuesAreBlank) {
    for (int id : {kConfigReadme, kConfigRuntimeLibraryPath, kConfigMinVersion, kConfigMaxVersion,
                   kConfigLeadingArguments, kConfigTrailingArguments}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(0, read_value(id).length);
    }
}

TEST(ShippedConfig, VmArgumentsAreOneItem) {
    char buffer[kConfigValueCapacity];
    ASSERT_EQ(8, read_config_string(kConfigVmArguments, buffer, sizeof buffer));
    EXPECT_STREQ("-Xmx256m", buffer);
    std::vector<std::string> items;
    EXPECT_EQ(1, split_config_lines(
                     buffer, [](char* item, void* c) { static_cast<std::vector<std::string>*>(c)->push_back(item); },
                     &items));
    EXPECT_EQ(std::vector<std::string>{"-Xmx256m"}, items);
}

TEST(ShippedConfig, NoRuntimeMessageIsTwoLines) {
    Value v = read_value(kConfigNoRuntimeMessage);
    const std::string head = "This program requires the Java Runtime Environment. \nPlease download at ";
    ASSERT_GT(v.text.size(), head.size() + 1);
    EXPECT_EQ(int(v.text.size()), v.length);
    EXPECT_EQ(head, v.text.substr(0, head.size()));
    std::string address = v.text.substr(head.size());
    EXPECT_EQ('\n', address.back());
    address.pop_back();
    EXPECT_FALSE(address.empty());
    EXPECT_EQ(std::string::npos, address.find_first_of("\n\r# %"));
}

TEST(ShippedConfig, BadVersionMessageIsTwoLinesWithOneArgument) {
    Value v = read_value(kConfigBadVersionMessage);
    EXPECT_EQ("This program is not compatible with Java version %s.\nPlease contact the author for more information.\n",
              v.text);
    EXPECT_EQ(int(v.text.size()), v.length);
}

TEST(ShippedConfig, RawTextsKeepTheirComments) {
    // The editor's guidance stays in the table even though it reads as blank.
    char raw[kConfigValueCapacity];
    ASSERT_GT(platform.load_string(kConfigReadme, raw, sizeof raw), 0);
    EXPECT_STREQ(
        "# README: These string resources control the invocation of the java runtime.  All text after and "
        "including the last \"pound\" character are ignored.",
        raw);
    ASSERT_GT(platform.load_string(kConfigMinVersion, raw, sizeof raw), 0);
    EXPECT_STREQ("# Minimum required version for JVM specified in registry - default is: 1.2 ", raw);
    ASSERT_GT(platform.load_string(kConfigRuntimeLibraryPath, raw, sizeof raw), 0);
    EXPECT_STREQ(
        "# Path to jvm.dll - if not found or blank the registry will be consulted - example: "
        "jre\\bin\\client\\jvm.dll or C:\\Program Files\\My Java\\jvm.dll",
        raw);
    for (unsigned id : {0u, 16u}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(0, platform.load_string(id, raw, sizeof raw));
    }
    // Values 10 to 15 hold only their comments: blank, their features off.
    for (int id = kConfigWorkingDirectory; id <= kConfigArgumentQuoting; ++id) {
        SCOPED_TRACE(id);
        EXPECT_GT(platform.load_string(unsigned(id), raw, sizeof raw), 0);
        EXPECT_EQ(0, read_config_string(id, raw, sizeof raw));
    }
}

}  // namespace
