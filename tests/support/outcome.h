// Comparisons that report at the caller's line: each returns
// ::testing::AssertionResult, for EXPECT_TRUE or ASSERT_TRUE.
#ifndef VANDREL_TESTS_SUPPORT_OUTCOME_H
#define VANDREL_TESTS_SUPPORT_OUTCOME_H

#include <gtest/gtest.h>

#include <string>

#include "support/process.h"

// The program started and ended with `status`, having written exactly `out`
// and `err`.
::testing::AssertionResult outcome_is(const ProcessResult& result, int status, const std::string& out,
                                      const std::string& err);

// Byte-for-byte equality that reports the first differing offset instead of
// both texts.
::testing::AssertionResult same_bytes(const std::string& expected, const std::string& actual);

// `text` holds `part`.
::testing::AssertionResult contains(const std::string& text, const std::string& part);

#endif
