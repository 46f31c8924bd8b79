#include "installer/ui/screen_placement.h"

WindowPlacement fullScreenPlacement(int windowBottom, int clientHeight, int fullScreenWidth,
                                    int fullScreenHeight) {
    // With the window at the top of the screen, d is the height of its caption
    // and frame above the client area.
    const int d = windowBottom - clientHeight;
    return {-1, -d, fullScreenWidth + 2, fullScreenHeight + 3 * d + 3};
}
