#include "tools/medium/install_ini_texts.h"

#include "common/text.h"
#include "tools/medium/text_width.h"

namespace {

// Free space is shown in megabytes: a terabyte disk has seven digits.
constexpr int64_t kMegabytes = 1000000;
constexpr int64_t kPercent = 100;
constexpr int kNoNumber = 0;
// The page's file name keeps at least this much of the install page's line.
constexpr int kFileNameRoom = 60;
constexpr int kInstallLine = 193;

}  // namespace

const std::array<InstallTextRoom, 23> kInstallTextRooms = {{
    {1, -1, kMegabytes, L"the path page's line above the folder (control 1014)", 298, 2},
    {33, -1, kMegabytes, L"the path page's free-space line (control 1015)", 298, 1},
    {27, -1, kNoNumber, L"the path page's back button", 52 - kButtonEdges, 1},
    {28, -1, kNoNumber, L"the path page's next button", 52 - kButtonEdges, 1},
    {29, -1, kNoNumber, L"the path page's end button", 50 - kButtonEdges, 1},
    {22, -1, kNoNumber, L"the agreement page's line above the text (control 1013)", 305, 1},
    {24, -1, kNoNumber, L"the agree button", 75 - kButtonEdges, 1},
    {25, -1, kNoNumber, L"the decline button", 70 - kButtonEdges, 1},
    {14, -1, kNoNumber, L"the install page's caption before the file", kInstallLine - kFileNameRoom,
     1},
    {15, 10, kPercent, L"the install page's overall line (control 1012 and 1009)", kInstallLine, 1},
    {16, -1, kNoNumber, L"the cancel button of the package check and the undo page",
     59 - kButtonEdges, 1},
    {17, -1, kNoNumber, L"the finish page's desktop-icon box", 272 - kCheckBoxMark, 1},
    {18, -1, kNoNumber, L"the finish page's start box", 272 - kCheckBoxMark, 1},
    {47, -1, kNoNumber, L"the finish page's verify box", 272 - kCheckBoxMark, 1},
    {19, -1, kNoNumber, L"the finish page's result (control 1010)", 222, 2},
    {20, -1, kNoNumber, L"the finish page's result (control 1010)", 222, 2},
    {21, -1, kNoNumber, L"the finish button", 57 - kButtonEdges, 1},
    {37, -1, kNoNumber, L"the next-disc prompt's label (control 1018)", 45, 2},
    {39, -1, kNoNumber, L"the next-disc prompt's OK button", 50 - kButtonEdges, 1},
    {40, -1, kNoNumber, L"the verification's cancel button", 57 - kButtonEdges, 1},
    {51, -1, kNoNumber, L"the package check question's text (control 1027)", 244, 3},
    {53, -1, kNoNumber, L"the package check question's skip button", 58 - kButtonEdges, 1},
    {54, -1, kNoNumber, L"the package check question's check button", 50 - kButtonEdges, 1},
}};

std::vector<std::wstring> checkInstallTextRooms(const std::function<std::wstring(int)>& text,
                                                const std::wstring& path) {
    std::vector<std::wstring> warnings;
    for (const InstallTextRoom& place : kInstallTextRooms) {
        std::wstring shown = fillIntegerFormat(text(place.first), place.number);
        std::wstring name = L"[restable] str" + std::to_wstring(place.first);
        if (place.second >= 0) {
            shown += L" " + fillIntegerFormat(text(place.second), place.number);
            name += L" and str" + std::to_wstring(place.second);
        }
        const std::wstring warning =
            roomWarning(name, shown, place.shownAs, place.room, place.lines);
        if (!warning.empty()) {
            warnings.push_back(path + L": " + warning);
        }
    }
    return warnings;
}
