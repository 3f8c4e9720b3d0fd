#include "support/outcome.h"

#include <algorithm>

::testing::AssertionResult outcome_is(const ProcessResult& result, int status, const std::string& out,
                                      const std::string& err) {
    if (!result.started) return ::testing::AssertionFailure() << "the program did not start: " << result.failure;
    if (result.status == status && result.out == out && result.err == err) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    if (result.status != status) failure << "status " << result.status << ", expected " << status << "\n";
    if (result.out != out) failure << "stdout:\n[" << result.out << "]\nexpected:\n[" << out << "]\n";
    if (result.err != err) failure << "stderr:\n[" << result.err << "]\nexpected:\n[" << err << "]\n";
    return failure;
}

::testing::AssertionResult same_bytes(const std::string& expected, const std::string& actual) {
    size_t common = std::min(expected.size(), actual.size());
    for (size_t i = 0; i < common; ++i) {
        if (expected[i] != actual[i])
            return ::testing::AssertionFailure() << "bytes differ first at offset " << i << " (expected "
                                                 << expected.size() << " bytes, got " << actual.size() << ")";
    }
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << "length " << actual.size() << ", expected " << expected.size()
                                             << " (equal up to the shorter one)";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "[" << text << "] does not hold [" << part << "]";
}
