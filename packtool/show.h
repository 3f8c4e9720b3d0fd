// vandrel-pack --show: what a launcher or packed program holds.
#ifndef VANDREL_PACKTOOL_SHOW_H
#define VANDREL_PACKTOOL_SHOW_H

#include "request.h"

// Prints the image type and subsystem, the values, icon 101, the version
// information, the appended archive and whether the file is signed. Every
// text from the file is printed with its control characters escaped.
PackStatus show(const char* path);

#endif
