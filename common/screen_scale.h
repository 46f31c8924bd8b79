// Pixel sizes made for 96 dots per inch, scaled to a window's dots per inch.
// Layouts in dialog units scale by themselves; whatever the programs draw or
// place in pixels goes through here, so that a screen at 150 % gets the same
// picture one and a half times as large.
#pragma once

constexpr int kDefaultDpi = 96;

// `pixels` at 96 dpi, at `dpi`, rounded to the nearest pixel (halves away from
// zero, as MulDiv rounds). A dpi of 0 or less counts as 96.
int scaleToDpi(int pixels, int dpi);
