// Fuzzes the Windows command-line splitter: arguments hold no quote, the
// count and the total length are bounded by the line, and an argument holds
// a blank only where a quote was opened.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vm/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.c_str();
    char** argv = nullptr;
    int argc = split_command_line(line.c_str(), &argv);
    if (argc < 0 || size_t(argc) > line.size() / 2 + 1) abort();
    if (argv[argc] != nullptr) abort();
    bool has_quote = line.find('"') != std::string::npos;
    size_t total = 0;
    for (int i = 0; i < argc; ++i) {
        if (strchr(argv[i], '"') != nullptr) abort();
        if (!has_quote && (argv[i][0] == '\0' || strpbrk(argv[i], " \t") != nullptr)) abort();
        total += strlen(argv[i]);
    }
    if (total > line.size()) abort();
    free(argv);
    return 0;
}
