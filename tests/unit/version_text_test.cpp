// parse_major_version against the C library's own conversion: every text of
// two or three characters with "." second, and every whole number of up to
// three digits, reads as strtod reads it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "major_version.h"

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
