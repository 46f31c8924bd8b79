// The exported entry points of ijl15.dll: argument checks around JpegSession.
#include "ijl15.h"

#include <cstring>

#include "jpeg_session.h"

namespace {

// stride * height fits the buffer, and each row holds 3 * width bytes, all without
// overflowing the arithmetic.
bool describesBuffer(int width, int height, const unsigned char* pixels, size_t stride,
                     size_t bufferSize) {
    if (pixels == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    if (static_cast<size_t>(width) > stride / 3) {
        return false;
    }
    return stride <= bufferSize / static_cast<size_t>(height);
}

}  // namespace

extern "C" int __cdecl ijlReadPictureInfo(const unsigned char* data, size_t size,
                                          IjlPictureInfo* info) {
    if (info == nullptr) {
        return kIjlInvalidArgument;
    }
    *info = IjlPictureInfo{};
    if (data == nullptr || size == 0) {
        return kIjlInvalidArgument;
    }
    JpegSession session(data, size);
    return session.readInfo(*info);
}

extern "C" int __cdecl ijlDecodeBgrBottomUp(const unsigned char* data, size_t size, int width,
                                            int height, unsigned char* pixels, size_t stride,
                                            size_t bufferSize) {
    if (!describesBuffer(width, height, pixels, stride, bufferSize)) {
        return kIjlInvalidArgument;
    }
    int status = kIjlInvalidArgument;
    if (data != nullptr && size != 0) {
        JpegSession session(data, size);
        status = session.decodeBgrBottomUp(width, height, pixels, stride);
    }
    if (status != kIjlOk) {
        std::memset(pixels, 0, stride * static_cast<size_t>(height));
    }
    return status;
}
