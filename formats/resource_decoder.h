// Reading a string of a Windows string table from compiled resources (.res).
#ifndef VANDREL_FORMATS_RESOURCE_DECODER_H
#define VANDREL_FORMATS_RESOURCE_DECODER_H

#include <cstddef>

// Finds string `id` in the string-table blocks of the .res image `res` of
// `size` bytes and stores it as 8-bit text in Windows code page 1252, cut to
// capacity - 1 bytes and terminated, as LoadStringA does. Returns the number
// of bytes stored; 0 (with an empty text stored) when the id is absent.
// A malformed image reads as holding no strings. capacity must be > 0.
int decode_resource_string(const unsigned char* res, size_t size, unsigned id, char* buffer, int capacity);

// Finds string `id` as above and gives its UTF-16LE text and its length in
// code units. False when the id is absent or the image malformed.
bool find_resource_string(const unsigned char* res, size_t size, unsigned id, const unsigned char** text,
                          size_t* length);

#endif
