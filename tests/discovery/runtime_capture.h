// Calling the runtime loader with both standard streams captured.
#ifndef VANDREL_DISCOVERY_RUNTIME_CAPTURE_H
#define VANDREL_DISCOVERY_RUNTIME_CAPTURE_H

#include <string>

#include "runtime.h"

// What load_java_runtime did: its result, the entry points it set, and what
// it printed on standard error and standard output.
struct LoadedRuntime {
    bool result;
    RuntimeEntryPoints entry_points;
    std::string errors;
    std::string output;
};

LoadedRuntime load_runtime_captured();

#endif
