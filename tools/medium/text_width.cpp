#include "text_width.h"

namespace {

constexpr int kHalfWidth = 4;
constexpr int kWide = 6;
constexpr int kFullWidth = 8;

int unitsOf(wchar_t c) {
    if (c >= 0xDC00 && c <= 0xDFFF) {
        return 0;  // the second half of a surrogate pair: counted with the first
    }
    if (c >= 0x80) {
        return kFullWidth;
    }
    switch (c) {
        case L'M':
        case L'W':
        case L'm':
        case L'@':
        case L'%':
            return kFullWidth;
        case L'w':
            return kWide;
        default:
            return c >= L'A' && c <= L'Z' ? kWide : kHalfWidth;
    }
}

}  // namespace

int estimateDialogUnits(std::wstring_view text) {
    int units = 0;
    for (wchar_t c : text) {
        units += unitsOf(c);
    }
    return units;
}

std::wstring roomWarning(const std::wstring& name, std::wstring_view text,
                         const std::wstring& shownAs, int room, int lines) {
    const int width = estimateDialogUnits(text);
    if (room <= 0 || width <= room * lines) {
        return {};
    }
    return name + L" \"" + std::wstring(text) + L"\" is about " + std::to_wstring(width) +
           L" dialog units wide; " + shownAs + L" has room for " + std::to_wstring(room) +
           (lines > 1 ? L" on each of " + std::to_wstring(lines) + L" lines" : std::wstring());
}
