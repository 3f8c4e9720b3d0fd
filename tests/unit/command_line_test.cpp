// Splitting a raw Windows command line into the argument vector, and
// quoting a vector for a program that splits by the Microsoft rules
// (Microsoft's own examples run through a packed program under Wine).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "vm/command_line.h"

namespace {

::testing::AssertionResult splits_into(const std::string& line, const std::vector<std::string>& expected,
                                       bool windows_rules = false) {
    char** argv = nullptr;
    int argc = split_command_line(line.c_str(), &argv, windows_rules);
    if (argv == nullptr) return ::testing::AssertionFailure() << "no vector";
    std::vector<std::string> got;
    for (int i = 0; i < argc; ++i) got.push_back(argv[i] ? argv[i] : "(null)");
    bool terminated = argv[argc] == nullptr;
    free(argv);
    if (!terminated) return ::testing::AssertionFailure() << "vector not ended by a null entry";
    if (got != expected) {
        ::testing::AssertionResult failure = ::testing::AssertionFailure();
        failure << "line " << ::testing::PrintToString(line) << " gives " << argc << ":";
        for (const std::string& arg : got) failure << " [" << arg << "]";
        return failure;
    }
    return ::testing::AssertionSuccess();
}

TEST(SplitCommandLine, RunsOfBlanksAndTabsSeparate) {
    EXPECT_TRUE(splits_into("game a b", {"game", "a", "b"}));
    EXPECT_TRUE(splits_into("game  \t a\t\tb  ", {"game", "a", "b"}));
    EXPECT_TRUE(splits_into("  \tgame", {"game"}));
}

TEST(SplitCommandLine, QuotesGroupAndAreDropped) {
    EXPECT_TRUE(splits_into("x c\"d e\"f", {"x", "cd ef"}));
    EXPECT_TRUE(splits_into("x \"a\tb\" c", {"x", "a\tb", "c"}));
    EXPECT_TRUE(splits_into("x a\"\"b", {"x", "ab"}));
    EXPECT_TRUE(splits_into("x \"\" y", {"x", "", "y"}));
    EXPECT_TRUE(splits_into("x \"\"\"\"", {"x", ""}));
    EXPECT_TRUE(splits_into("x \"a b\"\"c d\"", {"x", "a bc d"}));
}

TEST(SplitCommandLine, OpenQuoteRunsToTheLineEnd) {
    EXPECT_TRUE(splits_into("x \"a b  c ", {"x", "a b  c "}));
    EXPECT_TRUE(splits_into("x \"", {"x", ""}));
}

TEST(SplitCommandLine, BackslashesAreOrdinary) {
    EXPECT_TRUE(splits_into("x a\\\"b c\"", {"x", "a\\b c"}));
    EXPECT_TRUE(splits_into("x \"C:\\dir\\\\\" y", {"x", "C:\\dir\\\\", "y"}));
    EXPECT_TRUE(splits_into("x \\\\server\\share\\", {"x", "\\\\server\\share\\"}));
}

TEST(SplitCommandLine, FirstElementIsTheProgramAsTyped) {
    EXPECT_TRUE(splits_into("\"C:\\Program Files\\My Game\\GAME\" -Jx", {"C:\\Program Files\\My Game\\GAME", "-Jx"}));
    EXPECT_TRUE(splits_into("..\\bin\\game.EXE", {"..\\bin\\game.EXE"}));
    EXPECT_TRUE(splits_into("gam\"e\".exe", {"game.exe"}));
}

TEST(SplitCommandLine, EmptyAndBlankLinesGiveNoArguments) {
    EXPECT_TRUE(splits_into("", {}));
    EXPECT_TRUE(splits_into(" ", {}));
    EXPECT_TRUE(splits_into(" \t \t", {}));
}

TEST(SplitCommandLine, DensestLinesFit) {
    // One-character arguments, and empty quoted ones, as many as a line of
    // that length can hold: every vector entry and text stays in the block.
    for (int n : {1, 2, 3, 500, 1001}) {
        SCOPED_TRACE(n);
        std::string line;
        std::vector<std::string> expected;
        for (int i = 0; i < n; ++i) {
            line += i ? " " : "";
            line += char('a' + i % 26);
            expected.push_back(std::string(1, char('a' + i % 26)));
        }
        EXPECT_TRUE(splits_into(line, expected));
        std::string quoted;
        for (int i = 0; i < n; ++i) quoted += i ? " \"\"" : "\"\"";
        EXPECT_TRUE(splits_into(quoted, std::vector<std::string>(size_t(n), "")));
        EXPECT_TRUE(splits_into(std::string(size_t(n), 'z'), {std::string(size_t(n), 'z')}));
    }
}

}  // namespace

// What windows_command_line writes, the Microsoft rules split back into the
// same arguments, byte for byte.
TEST(WindowsCommandLine, SplitsBackIntoItsArguments) {
    const std::vector<std::string> rows[] = {
        {"C:\\Program Files\\Java\\bin\\java.exe", "-Dx=a b", "-jar", "C:\\app.exe"},
        {"java", "", "say \"hi\"", "\"", "\\\"", "tr\\", "tr\\\\", "\\\\server\\share\\"},
        {"java", "a\tb", "line\nfeed", "*.txt", "?", "@file", "\xe9\xfc", "\"\"", "a\\\\\"b\\"},
    };
    for (const auto& arguments : rows) {
        std::vector<char*> argv;
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        char* line = windows_command_line(int(argv.size()), argv.data());
        EXPECT_TRUE(splits_into(line, arguments, true));
        free(line);
    }
}
