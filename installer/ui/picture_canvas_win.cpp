#include "installer/ui/picture_canvas_win.h"

#include <limits>
#include <string>

#include "common/platform.h"
#include "jpeg/jpgi.h"

PictureCanvas::~PictureCanvas() {
    clear();
}

bool PictureCanvas::create(HWND window) {
    clear();
    WindowDc windowDc(window);
    dc_.reset(CreateCompatibleDC(windowDc.get()));
    return static_cast<bool>(dc_);
}

bool PictureCanvas::select(HBITMAP picture) {
    BITMAP info{};
    if (!dc_ || picture == nullptr || GetObjectW(picture, sizeof(info), &info) == 0) {
        return false;
    }
    HGDIOBJ previous = SelectObject(dc_.get(), picture);
    if (previous == nullptr || previous == HGDI_ERROR) {
        return false;
    }
    if (original_ == nullptr) {
        original_ = previous;
    }
    picture_ = picture;
    width_ = info.bmWidth;
    height_ = info.bmHeight;
    return true;
}

void PictureCanvas::clear() {
    if (dc_ && original_ != nullptr) {
        SelectObject(dc_.get(), original_);
    }
    original_ = nullptr;
    picture_ = nullptr;
    width_ = 0;
    height_ = 0;
}

void PictureCanvas::paint(HDC target, const RECT& area) const {
    if (!dc_ || width_ == 0 || height_ == 0) {
        return;
    }
    SetStretchBltMode(target, COLORONCOLOR);
    StretchBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top,
               dc_.get(), 0, 0, width_, height_, SRCCOPY);
}

BitmapHandle loadBitmapPicture(const std::wstring& path) {
    return BitmapHandle(static_cast<HBITMAP>(
        LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
}

BitmapHandle loadJpegPicture(Platform& platform, const std::wstring& path, HDC dc) {
    auto data = readWholeFile(platform, path, Share::All);
    if (!data || data->empty() ||
        data->size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
        return {};
    }
    const int size = static_cast<int>(data->size());
    int width = 0;
    int height = 0;
    int components = 0;
    if (JPEGGetParameter(data->data(), size, &width, &height, &components) != kJpgiSuccess ||
        components != 3 || width <= 0 || height <= 0) {
        return {};
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: the bottom row comes first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    BitmapHandle bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap || pixels == nullptr) {
        return {};
    }
    // A damaged file would otherwise show as a black picture; failing lets
    // the caller try the bitmap of the same number.
    if (JPEGDeCompressRGB(pixels, data->data(), width, height, size) != kJpgiSuccess) {
        return {};
    }
    return bitmap;
}
