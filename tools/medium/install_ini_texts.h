// The room each install.ini text has in the installer's pages, and the check
// that warns of a text whose estimate is wider (tools/medium/text_width.h).
// The rooms come from the layouts of installer/resources/dialogs.rc, with
// the growth the pages give a text into the free room beside or below it;
// change them together.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct InstallTextRoom {
    int first;       // the text, str<first>
    int second;      // a text shown after it on the same line, or -1
    int64_t number;  // what a number placeholder is filled with for the estimate
    const wchar_t* shownAs;
    int room;   // dialog units, less what the control keeps for itself
    int lines;  // lines the text may wrap into
};

extern const std::array<InstallTextRoom, 23> kInstallTextRooms;

// A warning for each text wider than its room; `text` answers str<number>.
std::vector<std::wstring> checkInstallTextRooms(const std::function<std::wstring(int)>& text,
                                                const std::wstring& path);
