// The parsed install.ini: settings, shortcuts, package digests and every text
// the installer's screens show.
#pragma once

#include <optional>
#include <string>
#include <vector>

class IniFile;
class UserPrompt;

struct ShortcutSpec {
    std::wstring name;
    std::wstring link;    // program started, relative to the target folder
    std::wstring pos;     // "%DESKTOP%" (any case) for the desktop, else the program group
    std::wstring params;  // command-line arguments
};

struct InstallConfig {
    std::vector<ShortcutSpec> shortcuts;
    std::vector<std::wstring> texts;  // str0, str1, ... by index
    std::wstring programGroup;
    std::wstring product;
    std::wstring programFile;
    std::wstring url;
    std::wstring openUrl;
    // Shown in Windows' list of installed programs; optional.
    std::wstring publisher;
    std::wstring version;
    bool folderCreateFlag = true;
    bool packageCheckFlag = true;
    std::wstring regFileExtName;
    std::wstring regKeyName;
    std::vector<std::wstring> packageDigests;  // pck1 first

    // The text of a screen; a file that declares fewer texts gives an empty one.
    const std::wstring& text(size_t index) const;
};

// Number of texts the screens address (str0 to str54).
constexpr size_t kTextCount = 55;

// Reads every field from `profileName`, which is read once. Nothing when a
// table cannot be allocated: the message has then been shown and the caller
// ends the process with exit code 0.
std::optional<InstallConfig> loadConfiguration(const IniFile& ini, const std::wstring& profileName,
                                               UserPrompt& prompt);
