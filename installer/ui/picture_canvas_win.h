// A memory drawing context that holds one picture and stretches it onto a
// window. It puts its original bitmap back before a picture is released or
// the context deleted, so that no selected bitmap is ever deleted.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/handles_win.h"

class Platform;

class PictureCanvas {
public:
    PictureCanvas() = default;
    ~PictureCanvas();
    PictureCanvas(const PictureCanvas&) = delete;
    PictureCanvas& operator=(const PictureCanvas&) = delete;

    // A context compatible with the window's.
    bool create(HWND window);
    // Selects a picture and takes its size; false when there is no context
    // or the bitmap cannot be read.
    bool select(HBITMAP picture);
    // Deselects the current picture; the size becomes 0 x 0.
    void clear();

    int width() const { return width_; }
    int height() const { return height_; }
    HBITMAP picture() const { return picture_; }
    // Stretches the whole picture onto `area`; nothing while none is selected.
    void paint(HDC target, const RECT& area) const;

private:
    MemoryDc dc_;
    HGDIOBJ original_ = nullptr;
    HBITMAP picture_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// Bitmap files as LoadImageW reads them; none when the file is missing or not
// a bitmap.
BitmapHandle loadBitmapPicture(const std::wstring& path);

// A JPEG file decoded by JPGI.dll into a 24-bit bottom-up section bitmap for
// `dc`. None when the file cannot be read, is not a three-component colour
// picture, cannot be decoded, or the bitmap cannot be made.
BitmapHandle loadJpegPicture(Platform& platform, const std::wstring& path, HDC dc);
