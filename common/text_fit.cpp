#include "common/text_fit.h"

#include <algorithm>

namespace {

bool isFree(const FitRect& candidate, const FitRect& room, const std::vector<FitRect>& obstacles) {
    if (!candidate.within(room)) {
        return false;
    }
    return std::none_of(obstacles.begin(), obstacles.end(),
                        [&](const FitRect& other) { return candidate.intersects(other); });
}

bool alreadyFits(const FitRect& control, const TextNeed& need) {
    if (need.wrappedHeight) {
        return need.wrappedHeight(control.width()) <= control.height();
    }
    return need.lineWidth <= control.width();
}

}  // namespace

TextFit fitText(const FitRect& control, const TextNeed& need, const FitRect& room,
                const std::vector<FitRect>& others) {
    if (alreadyFits(control, need)) {
        return {control, true};
    }
    std::vector<FitRect> obstacles;
    for (const FitRect& other : others) {
        if (!other.intersects(control) && other.width() > 0 && other.height() > 0) {
            obstacles.push_back(other);
        }
    }

    // The free room to the right on the control's own line.
    int rightLimit = std::max(control.right, room.right);
    for (const FitRect& other : obstacles) {
        const bool sameLine = other.top < control.bottom && control.top < other.bottom;
        if (sameLine && other.left >= control.right) {
            rightLimit = std::min(rightLimit, other.left);
        }
    }
    rightLimit = std::max(rightLimit, control.right);

    if (need.lineWidth <= rightLimit - control.left) {
        FitRect grown = control;
        grown.right = std::max(control.right, control.left + need.lineWidth);
        if (need.wrappedHeight) {
            grown.bottom =
                std::max(control.bottom, control.top + need.wrappedHeight(grown.width()));
        }
        if (grown == control || isFree(grown, room, obstacles) || grown.bottom == control.bottom) {
            return {grown, true};
        }
    }
    if (need.wrappedHeight) {
        // Wrapped, as wide as the line allows, else at the control's own width.
        for (const int width : {rightLimit - control.left, control.width()}) {
            FitRect wrapped = control;
            wrapped.right = control.left + width;
            wrapped.bottom = std::max(control.bottom, control.top + need.wrappedHeight(width));
            if (isFree(wrapped, room, obstacles)) {
                return {wrapped, true};
            }
        }
    }
    FitRect widest = control;
    widest.right = rightLimit;
    return {widest, false};
}
