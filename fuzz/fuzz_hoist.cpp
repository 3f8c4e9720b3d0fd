// Fuzzes the reordering of "-J" arguments: the result is the stripped "-J"
// arguments in order, then every other argument in order.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "vm/app_arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args;
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    args.push_back(current);
    std::vector<char*> vector;
    for (auto& a : args) vector.push_back(&a[0]);
    vector.push_back(nullptr);
    int argc = static_cast<int>(args.size());
    char** argv = vector.data();
    hoist_dash_j_arguments(&argc, &argv);
    if (argc != int(args.size()) || argv == vector.data() || argv[argc] != nullptr) abort();
    int next = 0;
    for (auto& a : args)
        if (a.compare(0, 2, "-J") == 0 && argv[next++] != &a[0] + 2) abort();
    for (auto& a : args)
        if (a.compare(0, 2, "-J") != 0 && argv[next++] != &a[0]) abort();
    free(argv);
    return 0;
}
