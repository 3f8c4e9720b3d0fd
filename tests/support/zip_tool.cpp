// The ZIP builder for scripts:
//   zip_tool zip64 IN OUT [PADDING]
// writes OUT, the archive IN (plain, without comment) with PADDING more empty
// entries (0 when not given) in ZIP64 form (see zip_builder::zip64_form).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/zip_builder.h"

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5 || strcmp(argv[1], "zip64") != 0) {
        fputs("usage: zip_tool zip64 IN OUT [PADDING]\n", stderr);
        return 2;
    }
    zip_builder::Bytes in, out;
    FILE* f = fopen(argv[2], "rb");
    if (f == nullptr) return perror(argv[2]), 1;
    unsigned char block[65536];
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) > 0) in.insert(in.end(), block, block + n);
    fclose(f);
    if (!zip_builder::zip64_form(in, argc == 5 ? strtoul(argv[4], nullptr, 10) : 0, &out)) {
        fprintf(stderr, "%s: not a plain archive without comment\n", argv[2]);
        return 1;
    }
    f = fopen(argv[3], "wb");
    bool written = f != nullptr && fwrite(out.data(), 1, out.size(), f) == out.size();
    if (f == nullptr || fclose(f) != 0 || !written) return perror(argv[3]), 1;
    return 0;
}
