#include "common/win/text_fit_win.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/win/handles_win.h"
#include "common/win/window_dpi_win.h"

namespace {

// What a control keeps beside its text, in pixels at 96 dpi: a push button's
// edges and focus frame on each side, a check box's box and the gap after it.
constexpr int kButtonSide = 6;
constexpr int kCheckBoxPart = 20;
// What a frame's caption and edges take from the room inside it.
constexpr int kFrameInset = 6;
// A frame's inside begins below its caption: about this many lines.
constexpr int kFrameCaptionLines = 1;

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

bool isFrame(HWND control) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    return _wcsicmp(className(control).c_str(), L"Button") == 0 &&
           (style & BS_TYPEMASK) == BS_GROUPBOX;
}

FitRect childRect(HWND dialog, HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// The text's extent in the control's font: one line, or wrapped at `width`.
SIZE textExtent(HWND control, const std::wstring& text, UINT format, int width) {
    WindowDc dc(control);
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    SelectedObject selected(dc.get(), font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    RECT rect{0, 0, width, 0};
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &rect, format | DT_CALCRECT);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

struct Page {
    FitRect room;  // what the page's controls span
    std::vector<HWND> controls;
};

Page readPage(HWND dialog) {
    Page page;
    bool first = true;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        page.controls.push_back(child);
        const FitRect rect = childRect(dialog, child);
        if (first) {
            page.room = rect;
            first = false;
        }
        page.room.left = std::min(page.room.left, rect.left);
        page.room.top = std::min(page.room.top, rect.top);
        page.room.right = std::max(page.room.right, rect.right);
        page.room.bottom = std::max(page.room.bottom, rect.bottom);
    }
    return page;
}

// The room of a control: the inside of the frame around it, else the page's.
FitRect roomOf(HWND dialog, const Page& page, HWND control, const FitRect& rect) {
    for (HWND other : page.controls) {
        if (other == control || !isFrame(other)) {
            continue;
        }
        const FitRect frame = childRect(dialog, other);
        if (rect.within(frame)) {
            const int inset = scaleForWindow(dialog, kFrameInset);
            const SIZE caption = textExtent(other, L"M", DT_SINGLELINE, 0);
            return {frame.left + inset, frame.top + caption.cy * kFrameCaptionLines,
                    frame.right - inset, frame.bottom - inset};
        }
    }
    return page.room;
}

bool fit(HWND dialog, const Page& page, HWND control) {
    TextNeed need;
    if (!measureControlText(control, need)) {
        return true;
    }
    const FitRect rect = childRect(dialog, control);
    std::vector<FitRect> others;
    for (HWND other : page.controls) {
        // A frame holds controls; it is an obstacle only to those outside it.
        if (other != control) {
            others.push_back(childRect(dialog, other));
        }
    }
    const FitRect room = roomOf(dialog, page, control, rect);
    others.erase(std::remove_if(others.begin(), others.end(),
                                [&](const FitRect& other) { return room.within(other); }),
                 others.end());
    const TextFit placed = fitText(rect, need, room, others);
    if (!(placed.rect == rect)) {
        SetWindowPos(control, nullptr, placed.rect.left, placed.rect.top, placed.rect.width(),
                     placed.rect.height(), SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(control, nullptr, TRUE);
    }
    return placed.fits;
}

}  // namespace

bool measureControlText(HWND control, TextNeed& need) {
    const std::wstring text = windowText(control);
    if (text.empty()) {
        return false;
    }
    const std::wstring type = className(control);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    UINT format = 0;
    int margins = 0;
    bool wraps = false;
    if (_wcsicmp(type.c_str(), L"Static") == 0) {
        switch (style & SS_TYPEMASK) {
            case SS_LEFT:
            case SS_CENTER:
            case SS_RIGHT:
                wraps = (style & SS_ELLIPSISMASK) == 0;
                break;
            case SS_LEFTNOWORDWRAP:
            case SS_SIMPLE:
                break;
            default:
                return false;
        }
        if ((style & SS_ELLIPSISMASK) != 0) {
            return false;  // shortens its text on purpose (a file name)
        }
        format = DT_EXPANDTABS | ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0);
    } else if (_wcsicmp(type.c_str(), L"Button") == 0) {
        switch (style & BS_TYPEMASK) {
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON:
                margins = 2 * scaleForWindow(control, kButtonSide);
                break;
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_3STATE:
            case BS_AUTO3STATE:
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON:
                margins = scaleForWindow(control, kCheckBoxPart);
                break;
            default:
                return false;
        }
        wraps = (style & BS_MULTILINE) != 0;
    } else {
        return false;
    }
    need.lineWidth = textExtent(control, text, format | DT_SINGLELINE, 0).cx + margins;
    need.wrappedHeight = nullptr;
    if (wraps) {
        need.wrappedHeight = [control, text, format, margins](int width) {
            const int textWidth = width - margins;
            const SIZE wrapped = textExtent(control, text, format | DT_WORDBREAK, textWidth);
            // A word wider than the line is cut: no height is enough.
            return wrapped.cx > textWidth ? INT_MAX / 2 : static_cast<int>(wrapped.cy);
        };
    }
    return true;
}

bool fitDialogTexts(HWND dialog) {
    const Page page = readPage(dialog);
    bool all = true;
    for (HWND control : page.controls) {
        all = fit(dialog, page, control) && all;
    }
    return all;
}

bool fitControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control == nullptr || fit(dialog, readPage(dialog), control);
}

void placeAfterCaption(HWND dialog, int captionId, int valueId) {
    HWND caption = GetDlgItem(dialog, captionId);
    HWND value = GetDlgItem(dialog, valueId);
    TextNeed need;
    if (caption == nullptr || value == nullptr || !measureControlText(caption, need)) {
        return;
    }
    FitRect captionRect = childRect(dialog, caption);
    FitRect valueRect = childRect(dialog, value);
    // The caption takes what its text needs; the value keeps its place in
    // the layout unless the caption reaches it, and then follows it.
    captionRect.right =
        std::min(std::max(captionRect.right, captionRect.left + need.lineWidth), valueRect.right);
    SetWindowPos(caption, nullptr, captionRect.left, captionRect.top, captionRect.width(),
                 captionRect.height(), SWP_NOZORDER | SWP_NOACTIVATE);
    const int space = textExtent(caption, L" ", DT_SINGLELINE, 0).cx;
    valueRect.left = std::min(std::max(valueRect.left, captionRect.right + space), valueRect.right);
    SetWindowPos(value, nullptr, valueRect.left, valueRect.top, valueRect.width(),
                 valueRect.height(), SWP_NOZORDER | SWP_NOACTIVATE);
    fitControlText(dialog, valueId);
}
