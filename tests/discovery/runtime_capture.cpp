#include "runtime_capture.h"

#include "support/capture.h"

LoadedRuntime load_runtime_captured() {
    LoadedRuntime loaded;
    loaded.entry_points = {nullptr, nullptr};
    StreamCapture out(1);
    StreamCapture err(2);
    loaded.result = load_java_runtime(&loaded.entry_points);
    loaded.errors = err.finish();
    loaded.output = out.finish();
    return loaded;
}
