// JPGI.dll: the picture decoder the installer binds to at load time. Two entry points,
// cdecl (the caller removes the arguments), exported under these undecorated names.
//
// Return values: kJpgiSuccess (1) or kJpgiFailure (0).
//
// JPEGGetParameter(data, size, &width, &height, &components) reads the frame header of
// the JPEG file `data` of `size` bytes. On success it fills width, height and the
// number of colour components (3 colour, 1 grey-scale, 4 CMYK). On failure all three
// are set to 0 (those whose pointer is not null), so that a caller testing for three
// components never goes on with values from an unreadable file.
//
// JPEGDeCompressRGB(pixels, data, width, height, size) decodes the file into a 24-bit
// device-independent bitmap's pixel memory: width x height pixels of 3 bytes in blue,
// green, red order, each row padded to a multiple of 4 bytes (padding bytes are not
// written), the bottom row first. width and height must be the picture's own. A
// grey-scale picture comes out grey. When the decoding fails (damaged or truncated
// data, another width or height, CMYK) the whole pixel area of width x height is set
// to black, so a caller that ignores the result shows a defined picture; only when
// pixels is null, width or height is not positive, or the area would exceed 2 GiB, is
// nothing written at all.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

enum { kJpgiFailure = 0, kJpgiSuccess = 1 };

int __cdecl JPEGGetParameter(const void* data, int size, int* width, int* height, int* components);
int __cdecl JPEGDeCompressRGB(void* pixels, const void* data, int width, int height, int size);

#ifdef __cplusplus
}
#endif
