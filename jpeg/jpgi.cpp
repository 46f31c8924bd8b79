// JPGI.dll: the installer's two calls, in the 24-bit bitmap layout, over ijl15.dll.
#include "jpgi.h"

#include <cstddef>
#include <cstdint>

#include "ijl15.h"

namespace {

// No device-independent bitmap of more than this exists in a 32-bit process.
constexpr uint64_t kMaxBitmapBytes = 0x7FFFFFFF;

// A bitmap row of 24-bit pixels, padded to whole 32-bit words.
uint64_t bitmapStride(int width) {
    return (static_cast<uint64_t>(width) * 3 + 3) & ~uint64_t{3};
}

const unsigned char* bytes(const void* data) {
    return static_cast<const unsigned char*>(data);
}

}  // namespace

extern "C" int __cdecl JPEGGetParameter(const void* data, int size, int* width, int* height,
                                        int* components) {
    IjlPictureInfo info{};
    bool read = width != nullptr && height != nullptr && components != nullptr && size > 0 &&
                ijlReadPictureInfo(bytes(data), static_cast<size_t>(size), &info) == kIjlOk;
    if (!read) {
        info = IjlPictureInfo{};
    }
    if (width != nullptr) {
        *width = info.width;
    }
    if (height != nullptr) {
        *height = info.height;
    }
    if (components != nullptr) {
        *components = info.components;
    }
    return read ? kJpgiSuccess : kJpgiFailure;
}

extern "C" int __cdecl JPEGDeCompressRGB(void* pixels, const void* data, int width, int height,
                                         int size) {
    if (pixels == nullptr || width <= 0 || height <= 0) {
        return kJpgiFailure;
    }
    uint64_t stride = bitmapStride(width);
    uint64_t area = stride * static_cast<uint64_t>(height);
    if (area > kMaxBitmapBytes) {
        return kJpgiFailure;
    }
    // A negative size is no data: the decoder then clears the picture and fails.
    size_t dataSize = size > 0 ? static_cast<size_t>(size) : 0;
    int status = ijlDecodeBgrBottomUp(bytes(data), dataSize, width, height,
                                      static_cast<unsigned char*>(pixels),
                                      static_cast<size_t>(stride), static_cast<size_t>(area));
    return status == kIjlOk ? kJpgiSuccess : kJpgiFailure;
}
