// Rules over plain 8-bit text that the launcher and vandrel-pack both apply:
// the comment rule and the line split of configuration values, the formats a
// configured message may be, the blanks a manifest value loses, and the small
// byte-string helpers. Pure code: no platform call, no allocation, so that
// vandrel-pack links it on any host.
#ifndef VANDREL_LAUNCHER_BASE_TEXT_RULES_H
#define VANDREL_LAUNCHER_BASE_TEXT_RULES_H

#include <cstddef>

// The length of a configuration value whose stored text is `text` (`length`
// bytes): everything from its last "#" on is a comment and goes.
size_t config_value_length(const char* text, size_t length);

// Called with each item of a multi-line value, in order.
typedef void (*ConfigItemHandler)(char* item, void* context);

// Cuts the terminated text in `text` into its line items in place: a line
// feed ends an item (an empty line gives an empty item, a final line feed no
// extra one), a carriage return ends the item's text without ending the
// item, and a text that begins with "#" yields nothing. Returns the count.
int split_config_lines(char* text, ConfigItemHandler handler, void* context);

// True when the only conversions of the configured message `text` are "%%"
// and exactly `string_conversions` times "%s": only such a text is handed to
// printf as a format.
bool is_safe_message_format(const char* text, int string_conversions);

// The length of `text` (`length` bytes) without its trailing blanks (spaces
// and tabs), as java -jar takes a manifest value such as Main-Class.
size_t length_without_trailing_blanks(const char* text, size_t length);

// Copies `length` bytes of `text` into `buffer`, terminated, when they fit
// with the terminator into `capacity` bytes; false (buffer untouched) when not.
bool copy_text(const char* text, size_t length, char* buffer, int capacity);

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

inline char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// True when the first `length` bytes of `a` and `b` are equal, ASCII letters
// compared without regard to case.
bool equal_ignoring_case(const char* a, const char* b, size_t length);

#endif
