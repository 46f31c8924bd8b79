#include "uninstaller_app_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>
#include <utility>

#include "common/ini_file.h"
#include "common/schedule_delete.h"
#include "common/interrupted_run.h"
#include "common/uninstall_record.h"
#include "common/win/handles_win.h"
#include "common/win/unattended_win.h"
#include "common/win/win32_registry_win.h"
#include "uninstaller/engine/guarded_folders_win.h"
#include "uninstaller/uninstall_window_win.h"

namespace {

std::wstring ownFileName() {
    wchar_t buffer[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return buffer;
}

std::wstring folderOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool copyReplacing(const std::wstring& source, const std::wstring& destination) {
    DWORD attributes = GetFileAttributesW(destination.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(destination.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return CopyFileW(source.c_str(), destination.c_str(), FALSE) != FALSE;
}

// What the removal shows, as lines of the log.
class LoggedRemoval : public RemovalView {
public:
    explicit LoggedRemoval(RunLog& log) : log_(log) {}
    void markStage(int stage) override {
        log_.write(L"Stage " + std::to_wstring(stage) + L" done");
    }
    void setProgressRange(int maximum) override {
        log_.write(L"Removing " + std::to_wstring(maximum) + L" recorded entries, newest first");
    }
    void stepProgress() override {}

private:
    RunLog& log_;
};

// The first stage of a script's run waits for the removal's result, but its
// own program file in the game's folder cannot be deleted while it runs. So
// the copy signals the result through one of two events named after the
// first stage, waits until that stage has ended and only then deletes what
// was left.
std::wstring resultEventName(DWORD firstStage, bool removed) {
    return L"Local\\CkvUninstall" + std::to_wstring(firstStage) +
           (removed ? L"Removed" : L"NothingRemoved");
}

// The first stage's process id, when it waits (the copy's third argument).
DWORD waitingFirstStage(const CommandSwitches& switches) {
    const std::wstring text = switches.argument(2);
    if (text.empty() || text.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return 0;
    }
    return static_cast<DWORD>(std::wcstoul(text.c_str(), nullptr, 10));
}

}  // namespace

UninstallerApp::UninstallerApp(CommandSwitches switches, RunLog& log)
    : switches_(std::move(switches)),
      log_(log),
      windowPrompt_(kUninstallerTitle),
      logPrompt_(log),
      prompt_(switches_.silent ? static_cast<UserPrompt&>(logPrompt_) : windowPrompt_),
      // The copy stage finds its files beside its own program file, the copy
      // in the folder handed to it; started as before, both are the current
      // folder's.
      recordFolder_(switches_.argument(0).empty()    ? folderOf(ownFileName())
                    : !switches_.argument(1).empty() ? switches_.argument(1)
                                                     : platform_.currentFolder()),
      profilePath_(switches_.argument(1).empty() && !switches_.argument(0).empty()
                       ? L".\\uninstall.ini"
                       : recordFolder_ + L"\\uninstall.ini"),
      texts_(loadUninstallTexts(IniFile(platform_), profilePath_)),
      registered_(loadRegisteredType(IniFile(platform_), profilePath_)),
      removal_(platform_, prompt_, recordFolder_, [this](int k) { return entry(k); }) {}

int UninstallerApp::run() {
    if (!switches_.unknown.empty()) {
        std::wstring text = L"Unknown option:";
        for (const std::wstring& unknown : switches_.unknown) {
            text += L" " + unknown;
        }
        prompt_.showMessage(text + L". Options: /S (no window), /DELETEALL, /LOG=FILE.",
                            MessageIcon::Stop);
        log_.write(L"Result: nothing was removed (exit code 1)");
        return kExitNothingRemoved;
    }
    if (switches_.argument(0).empty()) {
        return copyToTemporaryFolder();
    }
    const int code = removeWithOrWithoutWindow();
    const DWORD firstStage = waitingFirstStage(switches_);
    if (firstStage != 0) {
        const KernelHandle waiting(OpenProcess(SYNCHRONIZE, FALSE, firstStage));
        const KernelHandle result(OpenEventW(
            EVENT_MODIFY_STATE, FALSE, resultEventName(firstStage, code == kExitRemoved).c_str()));
        if (result) {
            SetEvent(result.get());
        }
        if (waiting && code == kExitRemoved &&
            WaitForSingleObject(waiting.get(), kFirstStageEndMs) == WAIT_OBJECT_0) {
            removal_.RemoveLeftovers();
            if (deletedAll_) {
                removal_.DeleteAllUnder(systemGuardedFolders(platform_));
            }
            removal_.RemoveOwnFiles();
        }
    }
    return code;
}

bool UninstallerApp::recoverInterruptedInstall() {
    Win32Registry registry;
    const auto recovery = recoverRunIn(platform_, prompt_, registry, recordFolder_, [](size_t) {});
    if (!recovery) {
        return true;
    }
    const std::wstring report = recoveryReport(recovery->targetFolder, recovery->summary);
    log_.write(report);
    if (!switches_.silent) {
        windowPrompt_.showMessage(report, MessageIcon::Information);
    }
    // What the killed run had replaced is back, its texts among it.
    texts_ = loadUninstallTexts(IniFile(platform_), profilePath_);
    registered_ = loadRegisteredType(IniFile(platform_), profilePath_);
    // Undone, a first install leaves nothing to remove.
    return platform_.fileExists(recordFolder_ + L"\\" + UninstallRecord::kFileName);
}

int UninstallerApp::removeWithOrWithoutWindow() {
    if (!recoverInterruptedInstall()) {
        log_.write(L"Result: nothing was left to remove (exit code 0)");
        return kExitRemoved;
    }
    if (!loadRecord()) {
        log_.write(L"Result: nothing was removed (exit code 1)");
        return kExitNothingRemoved;
    }
    if (switches_.silent) {
        log_.write(L"Removing the game recorded in " + recordFolder_ + L"\\uninstall.dat");
        LoggedRemoval view(log_);
        remove(view, switches_.deleteAll, nullptr);
        log_.write(L"Result: removed (exit code 0)");
        return kExitRemoved;
    }
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    UninstallWindow window(*this);
    return window.runModal(nullptr) == IDOK ? kExitRemoved : kExitNothingRemoved;
}

void UninstallerApp::remove(RemovalView& view, bool deleteAll, HWND owner) {
    Win32Registry registry;
    removal_.RemoveRecorded(view, registry, registered_);
    if (deleteAll) {
        deletedAll_ = removal_.DeleteAllUnder(systemGuardedFolders(platform_));
        if (deletedAll_) {
            log_.write(L"Deleted everything left in " + removal_.installFolder());
        }
    }
    removal_.RemoveOwnFiles();
    const std::wstring& url = texts_.exitUrl;
    if (url.empty()) {
        return;
    }
    if (switches_.silent) {
        log_.write(L"Not opened in an unattended run: " + url);
        return;
    }
    ShellExecuteW(owner, nullptr, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

int UninstallerApp::copyToTemporaryFolder() {
    wchar_t tempBuffer[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tempBuffer);
    const std::wstring temp = tempBuffer;
    std::srand(GetTickCount());
    const std::wstring program =
        temp + L"uninstall" + std::to_wstring(std::rand() % 32768) + L".exe";
    const std::vector<std::pair<std::wstring, std::wstring>> copies = {
        {ownFileName(), program},
        {recordFolder_ + L"\\uninstall.ini", temp + L"uninstall.ini"},
        {recordFolder_ + L"\\uninstall.dat", temp + L"uninstall.dat"},
    };
    log_.write(L"Copying the uninstaller of " + recordFolder_ + L" into " + temp);
    for (const auto& [source, destination] : copies) {
        if (!copyReplacing(source, destination)) {
            prompt_.showMessage(texts_.errorCreateTempFile, MessageIcon::Stop);
            log_.write(L"Result: nothing was removed (exit code 1)");
            return kExitNothingRemoved;
        }
    }
    for (const auto& copy : copies) {
        ScheduleDeleteOnReboot(copy.second);
    }
    if (!switches_.any()) {
        const std::wstring parameters = L"uninstall \"" + recordFolder_ + L"\"";
        ShellExecuteW(nullptr, L"open", program.c_str(), parameters.c_str(), temp.c_str(), SW_SHOW);
        return kExitRemoved;
    }
    const DWORD self = GetCurrentProcessId();
    const KernelHandle removed(
        CreateEventW(nullptr, TRUE, FALSE, resultEventName(self, true).c_str()));
    const KernelHandle notRemoved(
        CreateEventW(nullptr, TRUE, FALSE, resultEventName(self, false).c_str()));
    const std::wstring parameters = L"uninstall \"" + recordFolder_ + L"\" " +
                                    std::to_wstring(self) + L" " + switchesCommandLine(switches_);
    // A script waits for the real result, not just for this stage.
    const KernelHandle copy = startToWaitFor(program, parameters, temp);
    if (!copy) {
        log_.write(L"The copy did not start; result: nothing was removed (exit code 1)");
        return kExitNothingRemoved;
    }
    const HANDLE ends[] = {removed.get(), notRemoved.get(), copy.get()};
    switch (WaitForMultipleObjects(3, ends, FALSE, INFINITE)) {
        case WAIT_OBJECT_0:
            return kExitRemoved;
        case WAIT_OBJECT_0 + 1:
            return kExitNothingRemoved;
        default:
            break;
    }
    // The copy ended without a result (it refused its arguments, say).
    return static_cast<int>(exitCodeOf(copy, kExitNothingRemoved));
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
    GetPrivateProfileStringW(L"file_list", key.c_str(), L"", text, 261, profilePath_.c_str());
    return text;
}
