// The launcher vandrel-pack starts from: read and checked, edited in memory,
// and the edited image checked again by reading it back.
#ifndef VANDREL_PACKTOOL_LAUNCHER_IMAGE_H
#define VANDREL_PACKTOOL_LAUNCHER_IMAGE_H

#include <vector>

#include "ico_file.h"
#include "pe_image.h"
#include "request.h"
#include "string_block.h"

struct Launcher {
    const char* path;
    std::vector<unsigned char> bytes;
    PeImage image;
    std::vector<Resource> resources;
};

// Reads a bare, unsigned launcher. Prints the refusal and returns its status.
PackStatus load_launcher(const char* path, Launcher* out);

// Reads the icon file of --icon. Prints the refusal and returns its status.
PackStatus load_icon(const char* path, std::vector<IconImage>* images);

// The texts of string table block 1 (ids 0 to 15); false when there is none.
bool read_string_block(std::vector<Resource>& resources, std::u16string strings[kStringsPerBlock]);

// The image of `launcher` with the edits made: its resources replaced and its
// subsystem set, or the launcher's bytes as they are when nothing is edited.
// Prints the refusal and returns its status.
PackStatus edit_launcher(const PackEdits& edits, const std::vector<IconImage>& icon, Launcher* launcher,
                         std::vector<unsigned char>* image);

// Reads `image` back as the tool's readers read it: an executable that ends
// where its image ends, with the subsystem, resources, values, icon and
// version information the edits asked for. False with `*what` naming the
// first part that does not read back.
bool image_reads_back(const std::vector<unsigned char>& image, const PackEdits& edits,
                      const std::vector<IconImage>& icon, const Launcher& edited, const char** what);

#endif
