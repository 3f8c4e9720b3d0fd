// vandrel-pack's command line, parsed once into a request.
#ifndef VANDREL_PACKTOOL_REQUEST_H
#define VANDREL_PACKTOOL_REQUEST_H

#include <vector>

#include "manifest_edits.h"
#include "pack_messages.h"
#include "pack_edits.h"

enum PackCommand { kCommandPack, kCommandConfigure, kCommandShow, kCommandHelp, kCommandVersion };

struct PackRequest {
    PackCommand command;
    PackEdits edits;
    ManifestEdits manifest;
    bool any_edit;         // an edit of the launcher was asked for
    const char* launcher;  // --launcher; null: the default launcher
    const char* source;    // the JAR, the launcher to configure, or the file to show
    const char* destination;
};

// Parses and checks the command line. kSuccess with `out` filled; otherwise
// the message and (for kUsage) the usage text are printed and the status to
// end with is returned.
PackStatus parse_request(int argc, char** argv, PackRequest* out);

// Prints the usage text to standard output and returns `status`.
PackStatus usage(PackStatus status);

#endif
