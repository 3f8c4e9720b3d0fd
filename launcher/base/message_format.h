// Configured messages (values 8 and 9) are format texts: only those that
// hold exactly the conversions their caller passes are handed to printf
// (is_safe_message_format, text_rules.h).
#ifndef VANDREL_LAUNCHER_BASE_MESSAGE_FORMAT_H
#define VANDREL_LAUNCHER_BASE_MESSAGE_FORMAT_H

// Prints configured value 8 to standard error: as a format when it is one
// without conversions but "%%", else as it is.
void print_no_runtime_message(const char* text);

// Prints configured value 9 to standard error with the version: as a format
// when its only conversions are one "%s" and "%%", else as it is, followed
// by the version.
void print_bad_version_message(const char* text, const char* version);

#endif
