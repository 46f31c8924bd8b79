#include "installer/engine/shortcuts_win.h"

#include <shlobj.h>

#include "common/folder_chain.h"
#include "common/platform.h"
#include "common/text.h"
#include "common/win/handles_win.h"
#include "installer/engine/shortcuts.h"

namespace {

constexpr size_t kProgramGroupFailureText = 12;
constexpr size_t kShortcutFailureText = 13;

}  // namespace

bool CreateShellLink(Platform& platform, const std::wstring& name, const std::wstring& link,
                     const std::wstring& targetFolder, const std::wstring& folder,
                     const std::wstring& params) {
    ComPtr<IShellLinkA> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(shellLink.put())))) {
        return false;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(shellLink.queryInterface(IID_IPersistFile, file))) {
        return false;
    }
    ShellLinkText text;
    if (!toShellLinkText(platform, shortcutTarget(targetFolder, link), text) ||
        FAILED(shellLink->SetPath(text.data()))) {
        return false;
    }
    if (!toShellLinkText(platform, shortcutWorkingFolder(targetFolder, link), text) ||
        FAILED(shellLink->SetWorkingDirectory(text.data()))) {
        return false;
    }
    if (!toShellLinkText(platform, name, text) || FAILED(shellLink->SetDescription(text.data()))) {
        return false;
    }
    if (!toShellLinkText(platform, params, text) || FAILED(shellLink->SetArguments(text.data()))) {
        return false;
    }
    return SUCCEEDED(file->Save(shortcutFilePath(folder, name).c_str(), TRUE));
}

void CreateProgramGroup(Platform& platform, UserPrompt& prompt, const InstallConfig& config,
                        const std::wstring& targetFolder, const std::wstring& programsFolder,
                        const RecordFunction& record) {
    const std::wstring group = programGroupFolder(programsFolder, config.programGroup);
    if (!record(true, group)) {
        return;
    }
    if (!CreateFolderChain(platform, group)) {
        prompt.showMessage(
            fillTextFormat(config.text(kProgramGroupFailureText), config.programGroup),
            MessageIcon::None);
    }
    for (const ShortcutSpec& shortcut : config.shortcuts) {
        if (isDesktopShortcut(shortcut) || !record(false, shortcutFilePath(group, shortcut.name))) {
            continue;
        }
        if (!CreateShellLink(platform, shortcut.name, shortcut.link, targetFolder, group,
                             shortcut.params)) {
            prompt.showMessage(fillTextFormat(config.text(kShortcutFailureText), shortcut.name),
                               MessageIcon::None);
        }
    }
}

void CreateDesktopShortcuts(Platform& platform, const InstallConfig& config,
                            const std::wstring& targetFolder, const std::wstring& desktopFolder,
                            const RecordFunction& record) {
    for (const ShortcutSpec& shortcut : config.shortcuts) {
        if (isDesktopShortcut(shortcut) &&
            record(false, shortcutFilePath(desktopFolder, shortcut.name))) {
            CreateShellLink(platform, shortcut.name, shortcut.link, targetFolder, desktopFolder,
                            shortcut.params);
        }
    }
    const std::wstring webLink = internetShortcutPath(desktopFolder, config.product);
    if (record(false, webLink)) {
        // An empty address is still written: a missing value would remove the key.
        WritePrivateProfileStringW(L"InternetShortcut", L"URL", config.url.c_str(),
                                   webLink.c_str());
    }
}

std::optional<std::wstring> DesktopFolder() {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOP, FALSE) || path[0] == L'\0') {
        return std::nullopt;
    }
    return std::wstring(path);
}
