// The decoding library beside JPGI.dll: libjpeg-turbo, linked statically, behind a
// small C interface. Every call takes the whole JPEG file in memory, never reads past
// the given size, never writes past the given buffer and answers a status; damaged,
// truncated or hostile data is reported as kIjlDamagedData, never by ending the process.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

enum IjlStatus {
    kIjlOk = 0,
    kIjlInvalidArgument = 1,  // null pointer, no data, a size or stride out of range
    kIjlDamagedData = 2,      // not a JPEG, truncated, corrupt, or beyond the decoder's limits
    kIjlSizeMismatch = 3,     // the width and height given are not the picture's
    kIjlUnsupported = 4,      // a colour space without a BGR form (CMYK, YCCK, ...)
};

struct IjlPictureInfo {
    int width;
    int height;
    int components;  // 1 grey-scale, 3 colour, 4 CMYK or YCCK
};

// Reads the picture's frame header. On failure *info is all zero.
int __cdecl ijlReadPictureInfo(const unsigned char* data, size_t size, struct IjlPictureInfo* info);

// Decodes a width x height picture into 24-bit blue-green-red pixels, the bottom row
// first, rows `stride` bytes apart (stride >= 3 * width, stride * height <= bufferSize).
// Grey-scale pictures come out as grey BGR. On success only the first 3 * width bytes
// of each row are written. When the buffer arguments are out of range nothing is
// written (kIjlInvalidArgument); on every other failure the whole stride * height area
// is zero (black) on return, so that a caller that ignores the status shows no stale
// or half-decoded memory.
int __cdecl ijlDecodeBgrBottomUp(const unsigned char* data, size_t size, int width, int height,
                                 unsigned char* pixels, size_t stride, size_t bufferSize);

#ifdef __cplusplus
}
#endif
