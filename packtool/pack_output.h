// Writing vandrel-pack's result: the launcher's image, then (when packing)
// the archive streamed from its file, through the launcher's destination
// writer. The file is read back before it takes the destination's place.
#ifndef VANDREL_PACKTOOL_PACK_OUTPUT_H
#define VANDREL_PACKTOOL_PACK_OUTPUT_H

#include <vector>

#include "jar_input.h"
#include "pe_image.h"
#include "request.h"

struct ProgramParts {
    std::vector<unsigned char>* image;  // the launcher's image, as it is to be written
    const PeImage* layout;              // its headers, read from `image`
    bool checksum;                      // store the image's checksum in it
    const InputFile* jar;               // null: nothing appended
    const ArchiveInfo* archive;         // what `jar` holds
};

// Writes `parts` to `destination`. Prints every failure and returns the
// status: kOpenFailed when the destination cannot be opened, kWriteFailed
// when it cannot be written or does not read back, kNotAJar when the archive
// cannot be read.
PackStatus write_program(const char* destination, const ProgramParts& parts);

#endif
