#include "installer/engine/shortcuts.h"

#include <algorithm>
#include <cstring>

#include "common/platform.h"

namespace {

// ASCII only: a full Unicode upper-casing would also accept look-alikes such
// as the dotless i, and would differ between platforms.
wchar_t asciiUpper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Unquoted, a program path with a blank is split by whoever starts the
// command: "C:\Program Files\Game\game.exe" would start "C:\Program.exe"
// if one exists, and the game would see its own path in pieces.
std::wstring commandProgram(const std::wstring& program) {
    if (program.find(L' ') == std::wstring::npos) {
        return program;
    }
    return L"\"" + program + L"\"";
}

}  // namespace

bool isDesktopShortcut(const ShortcutSpec& shortcut) {
    static constexpr std::wstring_view kDesktop = L"%DESKTOP%";
    const std::wstring& pos = shortcut.pos;
    return pos.size() == kDesktop.size() &&
           std::equal(pos.begin(), pos.end(), kDesktop.begin(),
                      [](wchar_t a, wchar_t b) { return asciiUpper(a) == b; });
}

std::wstring programGroupFolder(const std::wstring& programsFolder,
                                const std::wstring& programGroup) {
    return programsFolder + L"\\" + programGroup;
}

std::wstring shortcutTarget(const std::wstring& targetFolder, const std::wstring& link) {
    return targetFolder + L"\\" + link;
}

std::wstring shortcutWorkingFolder(const std::wstring& targetFolder, const std::wstring& link) {
    const size_t separator = link.find(L'\\');
    const std::wstring firstFolder =
        separator == std::wstring::npos ? std::wstring() : link.substr(0, separator);
    return targetFolder + L"\\" + firstFolder;
}

std::wstring shortcutFilePath(const std::wstring& folder, const std::wstring& name) {
    return folder + L"\\" + name + L".lnk";
}

std::wstring gameProgramPath(const std::wstring& targetFolder, const std::wstring& programFile) {
    return targetFolder + L"\\" + programFile;
}

std::wstring internetShortcutPath(const std::wstring& desktopFolder, const std::wstring& product) {
    return desktopFolder + L"\\" + product + L".url";
}

std::vector<RegistryEntry> updatePackRegistryEntries(const InstallConfig& config,
                                                     const std::wstring& targetFolder) {
    const std::wstring& className = config.regKeyName;
    if (className.empty()) {
        return {};
    }
    const std::wstring program = gameProgramPath(targetFolder, config.programFile);
    std::vector<RegistryEntry> entries;
    if (!config.regFileExtName.empty()) {
        entries.push_back({L"." + config.regFileExtName, className});
    }
    entries.push_back({className, config.product});
    entries.push_back({className + L"\\DefaultIcon", program + L",0"});
    entries.push_back({className + L"\\shell", std::nullopt});
    entries.push_back({className + L"\\shell\\open", std::nullopt});
    entries.push_back(
        {className + L"\\shell\\open\\command", commandProgram(program) + L" \"/localupdate:%1\""});
    return entries;
}

bool toShellLinkText(Platform& platform, std::wstring_view text, ShellLinkText& buffer) {
    buffer.fill('\0');
    const std::string ansi = platform.ansiFromWide(text);
    if (ansi.size() >= buffer.size()) {
        return false;
    }
    std::memcpy(buffer.data(), ansi.data(), ansi.size());
    return true;
}
