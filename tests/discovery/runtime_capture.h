// Calling the runtime loader (or its search) with both standard streams captured, and the
// two outcomes the discovery tests expect of it.
#ifndef VANDREL_TESTS_DISCOVERY_RUNTIME_CAPTURE_H
#define VANDREL_TESTS_DISCOVERY_RUNTIME_CAPTURE_H

#include <gtest/gtest.h>

#include <string>

#include "runtime/runtime.h"

// What load_java_runtime did: its result, the entry points it set, and what
// it printed on standard error and standard output.
struct LoadedRuntime {
    bool result;
    RuntimeEntryPoints entry_points;
    std::string errors;
    std::string output;
};

LoadedRuntime load_runtime_captured();

// What find_runtime_library did with `capacity` bytes for the path: its
// result, the path found, and what it printed. A byte written past the
// capacity fails the test.
struct FoundRuntime {
    bool result;
    std::string path;
    std::string errors;
    std::string output;
};

FoundRuntime find_runtime_captured(int capacity);

// load_java_runtime succeeded without a word, taking both entry points from
// the library loaded from `library`.
::testing::AssertionResult loads_from(const std::string& library);

// Value `id` of the string table in force, without its comment; empty when blank.
std::string shipped_value(int id);

// Value 9 of the string table in force with `version` at its "%s", then the
// line of the versions `wanted` ("11 or later").
std::string shipped_bad_version(const std::string& version, const std::string& wanted);

// load_java_runtime failed, printing exactly `message` on standard error (as
// this platform's text stream writes it) and nothing on standard output.
::testing::AssertionResult refused_with(const std::string& message);

#endif
