// Reading configuration values from this program's own string table
// (config_values.rc): LoadStringA on Windows, the embedded resources on POSIX.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/config.h"
#include "platform/platform.h"

namespace {

const char kSentinel = '\x7f';

struct Read {
    int length;
    std::string text;  // the buffer up to its first terminator
    bool terminated_at_length;
};

Read read_value(int id, int capacity = kConfigValueCapacity) {
    std::vector<char> buffer(size_t(capacity) + 16, kSentinel);
    Read r;
    r.length = read_config_string(id, buffer.data(), capacity);
    r.terminated_at_length = r.length >= 0 && r.length < capacity && buffer[size_t(r.length)] == '\0';
    r.text.assign(buffer.data(), strnlen(buffer.data(), size_t(capacity)));
    for (size_t i = size_t(capacity); i < buffer.size(); ++i)
        if (buffer[i] != kSentinel) r.length = -1000;  // written past the capacity
    return r;
}

::testing::AssertionResult reads_as(int id, const std::string& expected) {
    Read r = read_value(id);
    if (r.length == -1000) return ::testing::AssertionFailure() << "value " << id << " written past its buffer";
    if (r.length != int(expected.size()))
        return ::testing::AssertionFailure() << "value " << id << " has length " << r.length << ", expected "
                                             << expected.size();
    if (!r.terminated_at_length) return ::testing::AssertionFailure() << "value " << id << " is not terminated";
    if (r.text != expected)
        return ::testing::AssertionFailure() << "value " << id << " reads " << ::testing::PrintToString(r.text);
    return ::testing::AssertionSuccess();
}

TEST(ReadConfigString, ValuesAsTheCommentRuleLeavesThem) {
    const struct {
        int id;
        std::string text;
    } cases[] = {
        // The comment starts at the last "#".
        {1, "a#b"},
        {2, "a"},
        {4, "#x"},
        // What precedes the comment is kept untrimmed.
        {3, "-Xmx256m "},
        {9, "  \t"},
        {8, "A\r\nB\n"},
        // Ids in later blocks are found.
        {17, "second block"},
        // A long text is cut before the comment rule: 2050 x, "#", 49 y, whose
        // "#" lies beyond the cut and is not seen; 1500 w, "#", 549 v, "#note",
        // of which only the first "#" survives the cut.
        {5, std::string(1999, 'x')},
        {6, std::string(1500, 'w')},
        // Reading again gives the same text.
        {1, "a#b"},
    };
    for (const auto& c : cases) EXPECT_TRUE(reads_as(c.id, c.text));
}

TEST(ReadConfigString, AbsentAndEmptyIdsReadAsBlank) {
    for (int id : {0, 10, 11, 12, 15, 16, 18, 31, 32, 1000}) {
        SCOPED_TRACE(id);
        Read r = read_value(id);
        EXPECT_EQ(0, r.length);
    }
}

TEST(ReadConfigString, SmallBufferCutsBeforeTheCommentRule) {
    // "a#b#note" cut to capacity - 1 bytes, then the comment rule.
    struct Case {
        int capacity;
        int length;
        const char* text;
    } cases[] = {{5, 3, "a#b"}, {4, 1, "a"}, {3, 1, "a"}, {2, 1, "a"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        Read r = read_value(1, c.capacity);
        EXPECT_EQ(c.length, r.length);
        EXPECT_EQ(c.text, r.text);
        EXPECT_TRUE(r.terminated_at_length);
    }
}

TEST(ReadConfigString, NonAsciiCharactersArriveInTheNativeEncoding) {
    // Code page 1252 under Wine; on POSIX the locale's charset, UTF-8 here.
    EXPECT_TRUE(reads_as(7, kPathSeparator == '\\' ? "caf\xe9 \x80 A" : "caf\xc3\xa9 \xe2\x82\xac A"));
    // A cut keeps whole characters.
    EXPECT_EQ("caf", read_value(7, kPathSeparator == '\\' ? 4 : 5).text);
}

}  // namespace
