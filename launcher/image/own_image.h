// What the launcher's own file carries after its executable image.
#ifndef VANDREL_LAUNCHER_IMAGE_OWN_IMAGE_H
#define VANDREL_LAUNCHER_IMAGE_OWN_IMAGE_H

enum OwnImage {
    kOwnImageBare,        // nothing past the image but a signature: the bare launcher, signed or not
    kOwnImageCarries,     // bytes past it: an application archive was appended
    kOwnImageUnreadable,  // the file does not open
};

// Reads the running program's own file, opened by the name the system knows
// it by (whatever the ANSI code page can spell). An image whose headers
// cannot be measured counts as bare.
OwnImage read_own_image();

#endif
