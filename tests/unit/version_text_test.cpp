// The version texts of Java runtimes: parse_major_version against the C
// library's own conversion (every text of two or three characters with "."
// second, and every whole number of up to three digits, reads as strtod
// reads it) and its other forms; the number versions compare by; the family
// version in release texts and key names.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/major_version.h"

TEST(ParseMajorVersion, ReadsEveryPointFormAsStrtod) {
    int mismatches = 0;
    for (int first = 1; first < 256; ++first) {
        for (int third = 0; third < 256; ++third) {
            char text[4] = {static_cast<char>(first), '.', static_cast<char>(third), '\0'};
            float expected = static_cast<float>(strtod(text, nullptr));
            float got = parse_major_version(text);
            // Compared as numbers: a range check cannot tell 0 from -0, and C
            // runtimes differ in the sign they give "-." without a digit.
            if (got != expected) {
                if (++mismatches <= 10)
                    ADD_FAILURE() << "text bytes " << first << " '.' " << third << ": got " << got << ", strtod "
                                  << expected;
            }
        }
    }
    EXPECT_EQ(0, mismatches);
}

TEST(ParseMajorVersion, ReadsEveryWholeNumberOfUpToThreeDigits) {
    for (int digits = 1; digits <= 3; ++digits) {
        for (int n = 0; n < (digits == 1 ? 10 : digits == 2 ? 100 : 1000); ++n) {
            char text[4];
            snprintf(text, sizeof text, "%0*d", digits, n);
            ASSERT_EQ(static_cast<float>(n), parse_major_version(text)) << text;
        }
    }
}

// The point forms and whole numbers are read above, against strtod.
TEST(ParseMajorVersion, EmptyIsMinusOneAndEveryOtherFormIsZero) {
    EXPECT_EQ(-1.0f, parse_major_version(""));
    for (const char* text : {"1.10", "1.4.2", "1.3.1_02", "x.5", "17.0", "1.3 ", " 1.3", "1234", "a", "1x", ".5"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(0.0f, parse_major_version(text));
    }
}

TEST(ComparableMajorVersion, FamiliesBelowNineCountByTheirSecondNumber) {
    const std::pair<const char*, float> cases[] = {
        {"1.8", 8}, {"1.2", 2}, {"8", 8}, {"17", 17}, {"1.", 1}, {"0.9", 0.9f}, {"1.10", 0}, {"", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, comparable_major_version(c.first)) << c.first;
}

TEST(FamilyVersion, FromReleaseTextsAndKeyNames) {
    const char* const cases[][2] = {
        {"1.8.0_392", "1.8"}, {"17.0.9", "17"},  {"21", "21"},         {"17.0.9.9", "17"},      {"zulu-17-jre", "17"},
        {"jdk-21", "21"},     {"zulu-8", "1.8"}, {"8.0.392.8", "1.8"}, {"jdk1.8.0_392", "1.8"}, {"17-ea", "17"},
    };
    for (const auto& c : cases) {
        char version[16];
        ASSERT_TRUE(family_version_in(c[0], version, sizeof version)) << c[0];
        EXPECT_STREQ(c[1], version) << c[0];
    }
    char version[16];
    EXPECT_FALSE(family_version_in("hotspot", version, sizeof version));
}
