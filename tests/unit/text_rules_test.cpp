// The text rules of configuration values: cutting multi-line values into their items.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/config.h"

namespace {

struct Collected {
    const char* buffer_begin;
    const char* buffer_end;
    std::vector<std::string> items;
    bool outside_buffer = false;
};

void collect(char* item, void* context) {
    Collected* c = static_cast<Collected*>(context);
    if (item < c->buffer_begin || item >= c->buffer_end) c->outside_buffer = true;
    c->items.push_back(item);
}

// Splits `text` held in a writable buffer and checks that the count returned
// matches the items handed over, and that every item lies in the buffer.
::testing::AssertionResult splits_into(const std::string& text, const std::vector<std::string>& expected) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    Collected c{buffer.data(), buffer.data() + buffer.size(), {}};
    int count = split_config_lines(buffer.data(), collect, &c);
    if (count != int(c.items.size()))
        return ::testing::AssertionFailure() << "returned " << count << " but emitted " << c.items.size();
    if (c.outside_buffer) return ::testing::AssertionFailure() << "an item points outside the buffer";
    if (c.items != expected) {
        ::testing::AssertionResult failure = ::testing::AssertionFailure();
        failure << "items:";
        for (const std::string& item : c.items) failure << " [" << ::testing::PrintToString(item) << "]";
        return failure;
    }
    return ::testing::AssertionSuccess();
}

TEST(SplitConfigLines, CutsTextIntoItems) {
    const struct {
        const char* text;
        std::vector<std::string> items;
    } cases[] = {
        // Line feeds separate items, and empty lines give empty items.
        {"A\nB", {"A", "B"}},
        {"A\n\nB", {"A", "", "B"}},
        {"\nA", {"", "A"}},
        {"\n", {""}},
        {"-Xmx256m", {"-Xmx256m"}},
        // A final line feed adds no empty item.
        {"A\n", {"A"}},
        {"A\nB\n", {"A", "B"}},
        {"A\n\n", {"A", ""}},
        // A carriage return ends the text but not the item.
        {"A\r\nB\r\n", {"A", "B"}},
        {"A\r\nB\n", {"A", "B"}},
        {"A\rX\nB", {"A", "B"}},
        {"A\rX", {"A"}},
        // Something after the last line feed, if only a carriage return, is an item.
        {"A\n\r", {"A", ""}},
        {"\r", {""}},
        // Blanks and tabs are kept.
        {" -Da=b \n\tx", {" -Da=b ", "\tx"}},
        {"-Xmx256m ", {"-Xmx256m "}},
        // A text that begins with "#" yields nothing; a "#" further on is an
        // ordinary character.
        {"#x", {}},
        {"#\nA\nB", {}},
        {"A\n#B", {"A", "#B"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_TRUE(splits_into(c.text, c.items)) << ::testing::PrintToString(c.text);
}

TEST(SplitConfigLines, ItemsArePiecesOfTheBufferEndedInPlace) {
    char buffer[] = "one\r\ntwo\nthree";
    std::vector<char*> items;
    int count = split_config_lines(
        buffer, [](char* item, void* context) { static_cast<std::vector<char*>*>(context)->push_back(item); },
        &items);
    ASSERT_EQ(3, count);
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ(buffer + 0, items[0]);
    EXPECT_EQ(buffer + 5, items[1]);
    EXPECT_EQ(buffer + 9, items[2]);
    EXPECT_EQ(0, memcmp(buffer, "one\0\0two\0three", sizeof buffer));
}

}  // namespace
