// The uninstaller's application object: its texts, the uninstall record and
// the two stages of a run (copy to the temporary folder, then removal).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/win32_platform_win.h"
#include "uninstaller/removal_engine.h"
#include "uninstaller/uninstall_texts.h"

class UninstallerApp {
public:
    UninstallerApp();
    UninstallerApp(const UninstallerApp&) = delete;
    UninstallerApp& operator=(const UninstallerApp&) = delete;

    // The whole run; answers the process's exit code.
    int run(const std::wstring& firstArgument);

    const UninstallTexts& texts() const { return texts_; }
    MessageBoxPrompt& prompt() { return prompt_; }
    RemovalEngine& removal() { return removal_; }
    Platform& platform() { return platform_; }
    // What the installer registered and handed over in uninstall.ini.
    RegisteredType registeredType();

private:
    static constexpr const wchar_t* kProfilePath = L".\\uninstall.ini";

    void copyToTemporaryFolder();
    bool loadRecord();
    std::wstring entry(int k) const;

    Win32Platform platform_;
    MessageBoxPrompt prompt_;
    UninstallTexts texts_;
    std::wstring recordFolder_;
    std::vector<std::wstring> records_;
    RemovalEngine removal_;
};

// The caption of the uninstaller's message boxes.
inline constexpr wchar_t kUninstallerTitle[] = L"uninstall";
