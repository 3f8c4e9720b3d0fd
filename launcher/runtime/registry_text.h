// Texts read from the registry keys that Java runtimes register under.
#ifndef VANDREL_LAUNCHER_RUNTIME_REGISTRY_TEXT_H
#define VANDREL_LAUNCHER_RUNTIME_REGISTRY_TEXT_H

#include "platform/platform.h"

// The key older runtimes register under, below HKEY_LOCAL_MACHINE.
extern const char kLegacyRegistryKey[];

// True when the value exists as text (REG_SZ) and its stored size
// (terminator included) is below `capacity`; the buffer then holds it,
// terminated.
bool query_registry_text(RegistryKey key, const char* name, char* buffer, int capacity);

// As query_registry_text, and also for a path stored as expandable text
// (REG_EXPAND_SZ), whose %NAME% parts become the environment's values; the
// expanded path must fit `capacity`.
bool query_registry_path(RegistryKey key, const char* name, char* buffer, int capacity);

#endif
