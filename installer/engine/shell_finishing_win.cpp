#include "installer/engine/shell_finishing_win.h"

#include <shellapi.h>

#include "common/registered_type.h"
#include "common/win/profile_win.h"
#include "installer/engine/file_type_registration.h"
#include "installer/engine/install_engine.h"
#include "installer/engine/shortcuts.h"
#include "installer/engine/shortcuts_win.h"
#include "installer/engine/uninstall_entry.h"

namespace {

std::wstring todayText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t text[16] = {};
    swprintf(text, 16, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}

}  // namespace

void ShellFinishing::createProgramGroup(InstallEngine& engine) {
    CreateProgramGroup(run_.platform(), prompt_, run_.config(), run_.targetFolder,
                       run_.programsFolder, [&engine](bool isFolder, const std::wstring& path) {
                           return engine.record(isFolder, path);
                       });
}

void ShellFinishing::addUninstallEntry(Registry& registry) {
    const auto root = writeUninstallEntry(
        registry, run_.config(),
        {run_.targetFolder, run_.packageReader.header().totalSize, todayText()});
    if (!root) {
        run_.log().write(L"No entry in the list of installed programs could be written");
        return;
    }
    run_.log().write(
        std::wstring(L"Added to the list of installed programs under ") +
        (*root == RegistryRoot::LocalMachine ? L"HKEY_LOCAL_MACHINE" : L"HKEY_CURRENT_USER"));
    writeProfileEntries(run_.targetFolder + L"\\uninstall.ini",
                        uninstallEntryEntries(uninstallKeyName(run_.config().product), *root));
}

void ShellFinishing::registerFileType(Registry& registry) {
    const bool installed = !run_.installFailed;
    const auto handover =
        RegisterUpdatePackType(registry, run_.config(), run_.targetFolder, installed);
    if (handover) {
        writeProfileEntries(run_.targetFolder + L"\\uninstall.ini",
                            extensionHandoverEntries(handover->previousValue));
    }
}

void ShellFinishing::createDesktopShortcuts(InstallEngine& engine) {
    // Without the folder every path would fall on the root of the current drive.
    const std::optional<std::wstring> desktop = DesktopFolder();
    if (!desktop) {
        return;
    }
    // Recorded by the engine: an icon an earlier install left there is set
    // aside first, so that an undo of this run puts it back.
    const std::wstring& target = engine.targetFolder();
    CreateDesktopShortcuts(run_.platform(), run_.config(), target, *desktop,
                           [&engine](bool isFolder, const std::wstring& path) {
                               return engine.record(isFolder, path);
                           });
}

void ShellFinishing::startGame() {
    const std::wstring& programFile = run_.config().programFile;
    const std::wstring program = gameProgramPath(run_.targetFolder, programFile);
    const std::wstring folder = shortcutWorkingFolder(run_.targetFolder, programFile);
    ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, folder.c_str(), SW_SHOW);
}

void ShellFinishing::openWebPage(const std::wstring& address) {
    ShellExecuteW(owner_, nullptr, address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
