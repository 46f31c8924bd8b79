// How wide a text comes out in a dialog of our layouts, estimated without
// the font at hand: the tool runs where the dialog font may be missing, so
// it counts characters, and errs on the wide side.
//
// The layouts use 宋体 (SimSun) 9 pt. At 96 dots per inch its cell is 12
// pixels: every ASCII character is drawn half-width, 6 pixels, which is also
// the font's average character width; a CJK character is drawn full-width,
// 12 pixels. A dialog unit across is a quarter of the average character
// width, so SimSun's half-width is 4 dialog units and its full width 8, at
// any dpi, since both scale with the font.
//
// Where SimSun is missing (a Western Windows XP without East Asian support,
// Wine without CJK fonts), the dialog gets a proportional font and its
// dialog units follow that font's average. There the capitals and "w" reach
// about 1.5 averages, and "M", "W", "m", "@" and "%" about 2; lower-case
// letters are about one, the narrow ones making up for the wide. So:
//   8 units: every character outside ASCII (CJK, accented letters and all
//            else, full-width or not), "M", "W", "m", "@" and "%";
//   6 units: the other capitals and "w";
//   4 units: the rest of ASCII.
// "&" is counted although a control shows it as an underline, and the
// second half of a UTF-16 surrogate pair is not counted.
#pragma once

#include <string>
#include <string_view>

// What controls keep for themselves, in dialog units: a frame's caption
// starts about one average character in and the frame goes on after it; a
// check box has its box and the gap after it; a button its raised edges and
// focus frame on both sides.
constexpr int kGroupBoxInsets = 8;
constexpr int kCheckBoxMark = 12;
constexpr int kButtonEdges = 8;

// The estimated width of `text` in dialog units.
int estimateDialogUnits(std::wstring_view text);

// The warning for a text whose estimate is wider than `lines` lines of
// `room` dialog units, naming it (`name`), its place (`shownAs`), the
// estimate and the room; empty when it fits. A room of 0 is no fixed room.
std::wstring roomWarning(const std::wstring& name, std::wstring_view text,
                         const std::wstring& shownAs, int room, int lines = 1);
