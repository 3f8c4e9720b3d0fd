// The Java runtime registry of the Wine prefix, for tests that run the real
// registry code (Windows only). One isolation for every program that links
// this: whatever HKEY_LOCAL_MACHINE\Software\JavaSoft holds when the program
// starts is set aside and the key removed, and it is put back when the
// program ends, so that each program starts with no runtime registered and
// leaves the prefix as it found it. Programs using it run one at a time
// (their CTest tests take the resource lock "registry").
#ifndef VANDREL_TESTS_SUPPORT_REGISTRY_H
#define VANDREL_TESTS_SUPPORT_REGISTRY_H

#include <gtest/gtest.h>

#include <string>

extern const char kLegacyRuntimeKey[];  // Software\JavaSoft\Java Runtime Environment
extern const char kJreKey[];            // Software\JavaSoft\JRE
extern const char kJdkKey[];            // Software\JavaSoft\JDK

// Removes every runtime key (the whole of Software\JavaSoft).
void clear_runtime_keys();

// Creates `key` under HKEY_LOCAL_MACHINE, with its parents.
::testing::AssertionResult create_registry_key(const std::string& key);
// Stores value `name` of `key` (created when absent) with this type and
// exactly these bytes: a text holds its terminator only when it is to be
// stored.
::testing::AssertionResult set_registry_value(const std::string& key, const char* name, unsigned long type,
                                              const std::string& bytes);
// A REG_SZ value, stored with its terminator.
::testing::AssertionResult set_registry_text(const std::string& key, const char* name, const std::string& text);

// Registers a runtime as its installer does: CurrentVersion `version` under
// `key`, and the version's subkey holding RuntimeLib `runtime_lib` (the
// subkey alone when `runtime_lib` is empty).
::testing::AssertionResult register_runtime(const std::string& version, const std::string& runtime_lib,
                                            const std::string& key = kLegacyRuntimeKey);

#endif
