// bridge_run DIRECTORY COMMAND-LINE: starts COMMAND-LINE exactly as given in
// DIRECTORY, then copies what it wrote to standard output and standard error
// to its own and exits with its status. The captured output is kept in
// DIRECTORY\stdout.txt and DIRECTORY\stderr.txt.
#include "bridge_process.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bridge_run DIRECTORY COMMAND-LINE\n");
        return 125;
    }
    ProcessResult result = run_process(argv[2], argv[1], argv[1]);
    if (!result.started) {
        std::fprintf(stderr, "bridge_run: %s\n", result.failure.c_str());
        return 126;
    }
    std::fwrite(result.out.data(), 1, result.out.size(), stdout);
    std::fwrite(result.err.data(), 1, result.err.size(), stderr);
    return static_cast<int>(result.status);
}
