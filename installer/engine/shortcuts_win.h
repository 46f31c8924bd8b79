// The program group, the shortcuts and the desktop web link through the
// shell-link object and profile calls. All of it runs on a thread that has
// initialised COM (the user-interface thread).
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "installer/engine/install_config.h"

class Platform;
class UserPrompt;

// Appends one entry to the uninstall record before what it names is made;
// false (after the caller's message) when it could not be written, and then
// that thing is not made.
using RecordFunction = std::function<bool(bool isFolder, const std::wstring& path)>;

// Writes folder\name.lnk starting targetFolder\link. False when the
// shell-link object fails or a text does not fit its ANSI buffer; then no
// file is written.
bool CreateShellLink(Platform& platform, const std::wstring& name, const std::wstring& link,
                     const std::wstring& targetFolder, const std::wstring& folder,
                     const std::wstring& params);

// The program group under `programsFolder` and every shortcut not meant for
// the desktop. Failures are shown through `prompt`; what could not be made is
// recorded anyway.
void CreateProgramGroup(Platform& platform, UserPrompt& prompt, const InstallConfig& config,
                        const std::wstring& targetFolder, const std::wstring& programsFolder,
                        const RecordFunction& record);

// The desktop shortcuts and the web link in `desktopFolder`. A shortcut that
// cannot be written is not reported; every file is recorded.
void CreateDesktopShortcuts(Platform& platform, const InstallConfig& config,
                            const std::wstring& targetFolder, const std::wstring& desktopFolder,
                            const RecordFunction& record);

// The user's desktop folder.
std::optional<std::wstring> DesktopFolder();
