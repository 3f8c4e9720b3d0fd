// The path rules of the launcher and vandrel-pack, on either system's paths.
#include <gtest/gtest.h>

#include "base/paths.h"

namespace {

TEST(AbsolutePaths, AreJudgedByTheRulesOfEitherSystemOnAnyHost) {
    const struct {
        const char* path;
        bool windows, posix;
    } cases[] = {
        {"C:\\Java\\jvm.dll", true, false},
        {"c:/java", true, false},
        {"\\\\server\\share", true, false},
        {"//server/share", true, true},
        {"\\\\?\\C:\\x", true, false},
        {"x\\jvm.dll", false, false},
        {"C:jvm.dll", false, false},
        {"\\x", false, false},
        {"/usr/lib", false, true},
        {"1:\\x", false, false},
        {"", false, false},
        {"C", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.windows, is_absolute_path(c.path, kWindowsPaths)) << c.path;
        EXPECT_EQ(c.posix, is_absolute_path(c.path, kPosixPaths)) << c.path;
    }
}

}  // namespace
