#include "uninstaller_app_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <utility>

#include "common/ini_file.h"
#include "common/registered_type.h"
#include "common/schedule_delete.h"
#include "common/uninstall_record.h"
#include "uninstaller/uninstall_window_win.h"

namespace {

std::wstring ownFileName() {
    wchar_t buffer[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return buffer;
}

bool copyReplacing(const std::wstring& source, const std::wstring& destination) {
    DWORD attributes = GetFileAttributesW(destination.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(destination.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return CopyFileW(source.c_str(), destination.c_str(), FALSE) != FALSE;
}

}  // namespace

UninstallerApp::UninstallerApp()
    : prompt_(kUninstallerTitle),
      texts_(loadUninstallTexts(IniFile(platform_), kProfilePath)),
      recordFolder_(platform_.currentFolder()),
      removal_(platform_, prompt_, recordFolder_, [this](int k) { return entry(k); }) {}

int UninstallerApp::run(const std::wstring& firstArgument) {
    if (firstArgument.empty()) {
        copyToTemporaryFolder();
        return 0;
    }
    if (!loadRecord()) {
        return 0;
    }
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    UninstallWindow window(*this);
    window.runModal(nullptr);
    return 0;
}

// The copy stage; the removal happens in the copy it starts.
void UninstallerApp::copyToTemporaryFolder() {
    wchar_t tempBuffer[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tempBuffer);
    const std::wstring temp = tempBuffer;
    std::srand(GetTickCount());
    const std::wstring program =
        temp + L"uninstall" + std::to_wstring(std::rand() % 32768) + L".exe";
    const std::vector<std::pair<std::wstring, std::wstring>> copies = {
        {ownFileName(), program},
        {L"uninstall.ini", temp + L"uninstall.ini"},
        {L"uninstall.dat", temp + L"uninstall.dat"},
    };
    for (const auto& [source, destination] : copies) {
        if (!copyReplacing(source, destination)) {
            prompt_.showMessage(texts_.errorCreateTempFile, MessageIcon::Stop);
            return;
        }
    }
    for (const auto& copy : copies) {
        ScheduleDeleteOnReboot(copy.second);
    }
    ShellExecuteW(nullptr, L"open", program.c_str(), L"uninstall", temp.c_str(), SW_SHOW);
}

bool UninstallerApp::loadRecord() {
    UninstallRecord record(platform_, prompt_);
    records_ = record.LoadUninstallRecords(recordFolder_, ReopenFailure::Silent);
    if (!records_.empty()) {
        return true;
    }
    // An empty list is also what an empty record gives: only a record that
    // cannot be opened ends the run (its path has been shown already).
    std::wstring path = recordFolder_;
    if (!path.empty() && path.back() == L'\\') {
        path.pop_back();
    }
    if (platform_.open(path + L"\\" + UninstallRecord::kFileName, OpenMode::Read, Share::All)) {
        return true;
    }
    prompt_.showMessage(L"Cannot load uninstall.ini file!", MessageIcon::None);
    return false;
}

std::wstring UninstallerApp::entry(int k) const {
    if (k >= 1 && static_cast<size_t>(k) <= records_.size()) {
        return records_[static_cast<size_t>(k) - 1];
    }
    // No list in memory for this entry: the profile's file list stands in.
    wchar_t text[261] = {};
    const std::wstring key = L"file" + std::to_wstring(k);
    GetPrivateProfileStringW(L"file_list", key.c_str(), L"", text, 261, kProfilePath);
    return text;
}

RegisteredType UninstallerApp::registeredType() {
    return loadRegisteredType(IniFile(platform_), kProfilePath);
}
