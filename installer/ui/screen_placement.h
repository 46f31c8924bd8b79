// Where the main window goes so that its client area fills the screen and
// its caption lies above the top edge.
#pragma once

struct WindowPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// `windowBottom`: bottom of the window rectangle in screen coordinates;
// `clientHeight`: height of the client area; the full-screen metrics are the
// system's SM_CXFULLSCREEN and SM_CYFULLSCREEN.
WindowPlacement fullScreenPlacement(int windowBottom, int clientHeight, int fullScreenWidth,
                                    int fullScreenHeight);

struct WindowOrigin {
    int x = 0;
    int y = 0;
};

// The top-left corner that centres a window of the given size over its
// parent's rectangle (screen coordinates).
WindowOrigin centredOver(int parentLeft, int parentTop, int parentRight, int parentBottom,
                         int width, int height);

// The top-left corner of a window of the given size at the bottom right of
// the visible part of its parent (the parent's rectangle within the screen's
// work area), 16 pixels from its right edge and 48 from its bottom at 96 dpi,
// scaled to `dpi`; never left of or above that part. The main window reaches
// past the screen's bottom edge, so its own rectangle would put a page there.
WindowOrigin bottomRightIn(int visibleLeft, int visibleTop, int visibleRight, int visibleBottom,
                           int width, int height, int dpi);
