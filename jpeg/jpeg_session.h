// One libjpeg decompression over a JPEG file held in memory.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include "ijl15.h"

class JpegSession {
public:
    JpegSession(const unsigned char* data, size_t size);
    ~JpegSession();
    JpegSession(const JpegSession&) = delete;
    JpegSession& operator=(const JpegSession&) = delete;

    // Each operation may be called once per session; both answer an IjlStatus.
    int readInfo(IjlPictureInfo& info);
    int decodeBgrBottomUp(int width, int height, unsigned char* pixels, size_t stride);

    // Progressive files with very many scans cost time without end (a known
    // denial-of-service pattern); real pictures have about ten.
    static constexpr int kMaxScans = 500;
    // Caps the whole-picture coefficient buffers of progressive files.
    static constexpr long kMaxMemory = 256L * 1024 * 1024;

private:
    // libjpeg hands its callbacks the error manager; the way back sits beside it.
    struct ErrorTrap {
        jpeg_error_mgr manager;
        std::jmp_buf back;
    };
    static void fail(j_common_ptr common);
    static void emitMessage(j_common_ptr common, int level);
    static void outputMessage(j_common_ptr common);
    static void watchProgress(j_common_ptr common);

    // Creates the decompressor and reads the header. May long-jump to the caller's
    // setjmp point, so it is called only right under one.
    void begin();

    const unsigned char* data_;
    size_t size_;
    ErrorTrap trap_{};
    jpeg_progress_mgr progress_{};
    jpeg_decompress_struct info_{};
};
