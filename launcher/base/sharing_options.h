// The Java VM options that choose its class-data sharing, which a start-up
// cache cannot join: the VM refuses most pairs of them and ends the process.
#ifndef VANDREL_LAUNCHER_BASE_SHARING_OPTIONS_H
#define VANDREL_LAUNCHER_BASE_SHARING_OPTIONS_H

// The first such option that `text` (one option, or a list of them) holds:
// -Xshare:*, -XX:SharedArchiveFile, -XX:ArchiveClassesAtExit,
// -XX:+AutoCreateSharedArchive or any -XX:AOT* option. Null when none, and
// for a null `text`.
const char* sharing_option_in(const char* text);

#endif
