#include "common/screen_scale.h"

int scaleToDpi(int pixels, int dpi) {
    if (dpi <= 0) {
        dpi = kDefaultDpi;
    }
    const long long scaled = static_cast<long long>(pixels) * dpi;
    const long long half = kDefaultDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kDefaultDpi
                                        : -((-scaled + half) / kDefaultDpi));
}
