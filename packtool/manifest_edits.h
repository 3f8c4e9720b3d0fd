// vandrel-pack's edits of the application manifest: --utf8 and --manifest,
// and the manifest's line of --show.
#ifndef VANDREL_PACKTOOL_MANIFEST_EDITS_H
#define VANDREL_PACKTOOL_MANIFEST_EDITS_H

#include <string>
#include <vector>

#include "pack_messages.h"
#include "pe_image.h"

struct ManifestEdits {
    bool utf8;                // --utf8: the ANSI code page becomes UTF-8
    std::string path;         // --manifest FILE; empty: keep the launcher's
    std::string replacement;  // that file's text, once checked
};

// True when the options ask for any change of the manifest.
bool manifest_edits_any(const ManifestEdits& edits);

// Reads and checks the file of --manifest, printing the refusal. Returns
// kSuccess, kOpenFailed when the file cannot be opened or is no regular file,
// kInputTooLarge when it is over 16 MiB, or kValueRefused when it is no
// well-formed XML with an `assembly` root.
PackStatus load_manifest_file(ManifestEdits* edits);

// Replaces the manifest (resource 24, id 1, every language) by the given one,
// then sets its code page to UTF-8 when asked. A launcher without a manifest
// gets a bare one for the code page.
void apply_manifest_edits(const ManifestEdits& edits, std::vector<Resource>* resources);

// True when the manifest among `resources` makes the ANSI code page UTF-8.
bool manifest_sets_utf8(const std::vector<Resource>& resources);

// Prints "Manifest: ..." with the execution level and uiAccess, the DPI
// awareness and the code page that the manifest gives, escaped.
void show_manifest(const std::vector<Resource>& resources);

#endif
