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
