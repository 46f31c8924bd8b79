#include "jpeg_session.h"

#include <climits>

// libjpeg reports errors through error_exit, which by default ends the process. Here it
// long-jumps back to the setjmp point of the running operation. Only libjpeg's C frames
// and the callbacks below lie between the two, none of which has anything to destroy.

void JpegSession::fail(j_common_ptr common) {
    std::longjmp(reinterpret_cast<ErrorTrap*>(common->err)->back, 1);
}

// Warnings mean corrupt data (premature end, bad Huffman code, extraneous bytes ...);
// libjpeg would go on and make up the missing pixels. A picture that did not decode
// cleanly is reported as a failure instead of as a success with invented content.
void JpegSession::emitMessage(j_common_ptr common, int level) {
    if (level < 0) {
        fail(common);
    }
}

// Nothing is written to the console of a GUI program.
void JpegSession::outputMessage(j_common_ptr) {}

void JpegSession::watchProgress(j_common_ptr common) {
    if (common->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(common)->input_scan_number > kMaxScans) {
        fail(common);
    }
}

JpegSession::JpegSession(const unsigned char* data, size_t size) : data_(data), size_(size) {
    info_.err = jpeg_std_error(&trap_.manager);
    trap_.manager.error_exit = &JpegSession::fail;
    trap_.manager.emit_message = &JpegSession::emitMessage;
    trap_.manager.output_message = &JpegSession::outputMessage;
    progress_.progress_monitor = &JpegSession::watchProgress;
}

// Safe also when creation never happened or failed half-way: info_ starts zeroed, and
// libjpeg releases only what its memory manager holds.
JpegSession::~JpegSession() {
    jpeg_destroy_decompress(&info_);
}

void JpegSession::begin() {
    jpeg_create_decompress(&info_);
    info_.mem->max_memory_to_use = kMaxMemory;
    info_.progress = &progress_;
    // The memory source takes an unsigned long; callers check that the size fits.
    jpeg_mem_src(&info_, data_, static_cast<unsigned long>(size_));
    if (jpeg_read_header(&info_, TRUE) != JPEG_HEADER_OK) {
        fail(reinterpret_cast<j_common_ptr>(&info_));
    }
}

int JpegSession::readInfo(IjlPictureInfo& info) {
    info = IjlPictureInfo{};
    if (size_ > ULONG_MAX) {
        return kIjlInvalidArgument;
    }
    if (setjmp(trap_.back) != 0) {
        return kIjlDamagedData;
    }
    begin();
    // libjpeg has checked the frame: 1 to 65500 pixels each way, 1 to 10 components.
    info.width = static_cast<int>(info_.image_width);
    info.height = static_cast<int>(info_.image_height);
    info.components = info_.num_components;
    return kIjlOk;
}

int JpegSession::decodeBgrBottomUp(int width, int height, unsigned char* pixels, size_t stride) {
    if (size_ > ULONG_MAX) {
        return kIjlInvalidArgument;
    }
    if (setjmp(trap_.back) != 0) {
        return kIjlDamagedData;
    }
    begin();
    if (info_.image_width != static_cast<JDIMENSION>(width) ||
        info_.image_height != static_cast<JDIMENSION>(height)) {
        return kIjlSizeMismatch;
    }
    switch (info_.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB:
            break;
        default:
            return kIjlUnsupported;
    }
    info_.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info_);
    if (info_.output_width != info_.image_width || info_.output_height != info_.image_height ||
        info_.output_components != 3) {
        return kIjlDamagedData;
    }
    while (info_.output_scanline < info_.output_height) {
        // A bottom-up bitmap: the picture's first row goes into the buffer's last row.
        JSAMPROW row =
            pixels + static_cast<size_t>(info_.output_height - 1 - info_.output_scanline) * stride;
        if (jpeg_read_scanlines(&info_, &row, 1) != 1) {
            return kIjlDamagedData;
        }
    }
    jpeg_finish_decompress(&info_);
    return kIjlOk;
}
