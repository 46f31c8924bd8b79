#include "installer/ui/screen_placement.h"

#include <algorithm>

#include "common/screen_scale.h"

WindowPlacement fullScreenPlacement(int windowBottom, int clientHeight, int fullScreenWidth,
                                    int fullScreenHeight) {
    // With the window at the top of the screen, d is the height of its caption
    // and frame above the client area.
    const int d = windowBottom - clientHeight;
    return {-1, -d, fullScreenWidth + 2, fullScreenHeight + 3 * d + 3};
}

WindowOrigin centredOver(int parentLeft, int parentTop, int parentRight, int parentBottom,
                         int width, int height) {
    WindowOrigin origin;
    origin.x = parentRight - (parentRight - parentLeft + width) / 2;
    origin.y = parentBottom - (parentBottom - parentTop + height) / 2;
    return origin;
}

WindowOrigin bottomRightIn(int visibleLeft, int visibleTop, int visibleRight, int visibleBottom,
                           int width, int height, int dpi) {
    WindowOrigin origin;
    origin.x = std::max(visibleLeft, visibleRight - width - scaleToDpi(16, dpi));
    origin.y = std::max(visibleTop, visibleBottom - height - scaleToDpi(48, dpi));
    return origin;
}
