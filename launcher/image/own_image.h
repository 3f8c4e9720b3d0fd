// Whether the launcher's own file carries bytes after its executable image.
#ifndef VANDREL_LAUNCHER_IMAGE_OWN_IMAGE_H
#define VANDREL_LAUNCHER_IMAGE_OWN_IMAGE_H

// True when the file at `path` holds bytes past its executable image other
// than a signature: an application archive was appended (the bare launcher,
// signed or not, has none). False also when the file cannot be read or
// measured.
bool bytes_follow_image(const char* path);

#endif
