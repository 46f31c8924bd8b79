// Makes the static texts, buttons and check boxes of a dialog as large as
// their texts need, measured with each control's own font at the window's
// dpi, within the free room of the dialog (common/text_fit.h has the rule).
// Texts come from the INI files and from numbers filled in at run time, so
// the layouts' sizes cannot know them.
#pragma once

#include <windows.h>

#include "common/text_fit.h"

// Fits every control of the dialog; call once its texts are set, and again
// when the dialog's dpi changed. Answers whether every text is shown whole.
bool fitDialogTexts(HWND dialog);
// Fits one control after its text changed.
bool fitControlText(HWND dialog, int id);
// Moves the label `valueId` so that it starts right after the label
// `captionId` (one space of the caption's font), keeping its right edge, for
// a caption whose value follows it on the same line; then fits it.
void placeAfterCaption(HWND dialog, int captionId, int valueId);

// What a control's text needs, the control's own margins included; false for
// a control that shows no text of its own (a picture, an edit box, a frame).
bool measureControlText(HWND control, TextNeed& need);
