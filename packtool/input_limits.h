// The largest inputs vandrel-pack reads: far beyond any real launcher or
// icon, and small enough that reading them cannot exhaust memory.
#ifndef VANDREL_PACKTOOL_INPUT_LIMITS_H
#define VANDREL_PACKTOOL_INPUT_LIMITS_H

#include <cstddef>
#include <cstdint>

constexpr uint64_t kLauncherLimit = 64 * 1024 * 1024;
constexpr uint64_t kResourcesLimit = 16 * 1024 * 1024;  // all resources of a launcher, once edited
constexpr uint64_t kIconFileLimit = 16 * 1024 * 1024;
constexpr size_t kIconImageLimit = 256;

#define PACK_LIMIT_LAUNCHER "a launcher of at most 64 MiB"
#define PACK_LIMIT_RESOURCES "resources of at most 16 MiB"
#define PACK_LIMIT_ICON_FILE "an icon file of at most 16 MiB"
#define PACK_LIMIT_ICON_IMAGES "an icon of at most 256 images"

#endif
