// The check of the uninstall.ini a medium carries beside install.ini, which
// the installer writes into the game's folder for the uninstaller: its
// encoding, its lines as the INI reader sees them, every key the uninstaller
// reads, and whether each text fits the control that shows it.
#pragma once

#include <array>
#include <string>

#include "common/platform.h"
#include "tools/medium/findings.h"

struct UninstallTextKey {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* shownAs;  // where the uninstaller shows the text
    int room;                // dialog units for the text; 0: no fixed room
    bool required;           // a missing key leaves a caption or message empty
};

// Every key the uninstaller reads, with the room its window gives the text.
extern const std::array<UninstallTextKey, 12> kUninstallTextKeys;

// `bytes` are the file's; `path` names it in the messages.
Findings checkUninstallIni(const std::vector<uint8_t>& bytes, const std::wstring& path,
                           Platform& platform);
