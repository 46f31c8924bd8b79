#include "installer_app_win.h"

#include <shellapi.h>
#include <shlobj.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <vector>

#include "common/ini_file.h"
#include "common/schedule_delete.h"
#include "common/interrupted_run.h"
#include "common/win/handles_win.h"
#include "common/win/unattended_win.h"
#include "installer/app/startup.h"
#include "installer/app/unattended_install.h"
#include "installer/engine/medium_uninstall_ini.h"
#include "installer/engine/shell_finishing_win.h"
#include "installer/ui/logo_window_win.h"
#include "installer/ui/recovery_dialog_win.h"
#include "installer/ui/main_window_win.h"

namespace {

std::wstring moduleFileName() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring folderOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

InstallerApp::InstallerApp(Platform& platform, UserPrompt& prompt, CommandSwitches switches,
                           RunLog& log)
    : InstallRun(platform, prompt, log),
      switches_(std::move(switches)),
      uninstaller_(platform, config(), log),
      ending_(InstallEnding::FrontEnd::Wizard, config(), log, registry_) {}

bool InstallerApp::refuseUnknownSwitches() {
    if (switches_.unknown.empty()) {
        return true;
    }
    std::wstring text = L"Unknown option:";
    for (const std::wstring& unknown : switches_.unknown) {
        text += L" " + unknown;
    }
    text += L". Options: /S (no window), /D=FOLDER, /LOG=FILE, /VERIFY, /RUN.";
    prompt().showMessage(text, MessageIcon::Stop);
    log().write(L"Result: nothing was installed (exit code 1)");
    exitCode_ = kExitNothingInstalled;
    return false;
}

bool InstallerApp::start() {
    // Embedded controls and the object-linking layer (the shell-link object
    // of the shortcuts needs it on this thread).
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);

    if (!refuseUnknownSwitches()) {
        return false;
    }
    placeUnicodeLayer();
    if (!relaunchFromTemp()) {
        return false;
    }
    profileName = L".\\install.ini";
    mediumFolder = switches_.argument(0);

    auto config = loadConfiguration(IniFile(platform()), profileName, prompt());
    if (!config) {
        log().write(L"Result: nothing was installed (exit code 1)");
        ExitProcess(switches_.any() ? kExitNothingInstalled : 0);
    }
    setConfig(std::move(*config));
    computeDefaultTargetFolder();
    recoverInterruptedInstall();
    // Three-dimensional control drawing is the system's default on every
    // version this program runs on; nothing to switch on.
    mediumFolder = mediumFolderFromArgument(mediumFolder);

    packageReader.SetText(CZipFilePackage::kReadErrorQuestion, text(45));
    packageReader.SetText(CZipFilePackage::kDiskFullQuestion, text(46));
    if (!packageReader.Open(mediumFolder)) {
        log().write(L"Result: nothing was installed (exit code 1)");
        return false;
    }
    if (!takeUninstallTexts()) {
        return false;
    }
    if (switches_.silent) {
        runUnattended();
        return false;
    }
    runWizard();
    return false;
}

void InstallerApp::recoverInterruptedInstall() {
    if (!InterruptedRuns(registry_).find(config().product)) {
        // A mark cut short before it named its folder goes quietly.
        InterruptedRuns(registry_).unmark(config().product);
        return;
    }
    std::optional<Recovery> recovery;
    const auto work = [this, &recovery](const std::function<void(int)>& position) {
        size_t total = 0;
        recovery = recoverInterruptedRun(
            platform(), prompt(), registry_, config().product, [&position, &total](size_t ahead) {
                total = std::max(total, ahead);
                position(total == 0 ? 0 : static_cast<int>(ahead * 100 / total));
            });
    };
    if (switches_.silent) {
        work([](int) {});
    } else {
        RecoveryDialog(text(49), text(16), work).runModal(nullptr);
    }
    if (!recovery) {
        return;
    }
    const std::wstring report = recoveryReport(recovery->targetFolder, recovery->summary);
    log().write(report);
    if (!switches_.silent) {
        prompt().showMessage(report, MessageIcon::Information);
    }
}

void InstallerApp::runWizard() {
    {
        LogoWindow logo(*this);
        logo.runModal(nullptr);
    }
    MainWindow window(*this);
    mainWindow = &window;
    window.run();
    mainWindow = nullptr;
    ending_.close();
    exitCode_ = ending_.exitCode();
}

void InstallerApp::exit() {
    setConfig(InstallConfig());
    packageReader.Close();
    OleUninitialize();
}

bool InstallerApp::relaunchFromTemp() {
    if (!switches_.argument(0).empty()) {
        return true;
    }
    // Started as before, the medium is the current folder. A script may start
    // the installer from anywhere: with switches it is the program's folder.
    const std::wstring program = moduleFileName();
    const std::wstring sourceFolder =
        switches_.any() ? folderOf(program) : platform().currentFolder();
    wchar_t tempPath[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tempPath);
    const std::wstring privateFolder = privateFolderFor(tempPath);
    CreateDirectoryW(privateFolder.c_str(), nullptr);
    const std::wstring folderArgument = privateFolder.substr(0, privateFolder.size() - 1);

    log().write(L"Copying the installer from " + sourceFolder + L" into " + privateFolder);
    bool copied = copyFileToFolder(folderArgument, program);
    for (const auto& name : filesCarriedByRelaunch()) {
        // Bare names, from the current folder, as before.
        copied = copied && copyFileToFolder(folderArgument,
                                            switches_.any() ? sourceFolder + L"\\" + name : name);
    }
    copied = copied && stageUninstallIni(platform(), folderArgument, sourceFolder);
    if (!copied) {
        log().write(L"Copying failed: is " + sourceFolder + L" an install medium?");
        log().write(L"Result: nothing was installed (exit code 1)");
        return false;
    }
    const bool withUninstallIni = platform().fileExists(folderArgument + L"\\" + kUninstallIniName);
    for (const auto& path : deletionOrder(privateFolder, fileNameOf(program),
                                          platform().isNtFamily(), withUninstallIni)) {
        ScheduleDeleteOnReboot(path);
    }
    startCopy(privateFolder + L"install.exe", privateFolder, sourceFolder);
    return false;
}

bool InstallerApp::takeUninstallTexts() {
    UninstallIniChoice choice =
        chooseUninstallIni(platform(), mediumFolder, L".\\" + std::wstring(kUninstallIniName));
    if (choice.source == UninstallIniChoice::Source::Refused) {
        prompt().showMessage(choice.refusal, MessageIcon::Stop);
        log().write(L"Result: nothing was installed (exit code 1)");
        exitCode_ = kExitNothingInstalled;
        return false;
    }
    if (choice.source == UninstallIniChoice::Source::Medium) {
        uninstaller_.useMediumIni(std::move(choice.bytes));
    }
    return true;
}

void InstallerApp::startCopy(const std::wstring& program, const std::wstring& privateFolder,
                             const std::wstring& sourceFolder) {
    std::wstring parameters = encodeMediumArgument(sourceFolder);
    if (!switches_.any()) {
        ShellExecuteW(nullptr, L"open", program.c_str(), parameters.c_str(), privateFolder.c_str(),
                      SW_SHOW);
        return;
    }
    parameters += L" " + switchesCommandLine(switches_);
    const KernelHandle copy = startToWaitFor(program, parameters, privateFolder);
    if (!copy) {
        log().write(L"The copy of the installer did not start: " + platform().lastErrorText());
        log().write(L"Result: nothing was installed (exit code 1)");
        return;
    }
    // The script that started this run sees the result of the whole install.
    WaitForSingleObject(copy.get(), INFINITE);
    exitCode_ = static_cast<int>(exitCodeOf(copy, kExitNothingInstalled));
}

void InstallerApp::runUnattended() {
    UnattendedOptions options;
    options.mediumFolder = mediumFolder;
    options.targetFolder = switches_.targetFolder.value_or(defaultTargetFolder);
    options.verify = switches_.verify;
    options.run = switches_.run;
    ShellFinishing finishing(*this, prompt());
    UnattendedInstall install(platform(), prompt(), registry_, log(), packageReader, config(),
                              uninstaller_, finishing);
    exitCode_ = install.run(options);
}

InstallEngine& InstallerApp::makeInstallEngine() {
    engine_ = std::make_unique<InstallEngine>(platform(), prompt(), registry_, config().product,
                                              packageReader, uninstaller_, targetFolder);
    return *engine_;
}

bool InstallerApp::unpackEnded(HWND page) {
    MessageBoxPrompt pagePrompt(kInstallerTitle, page);
    ShellFinishing finishing(*this, pagePrompt, page);
    return engine_ && ending_.unpackEnded(*engine_, !installFailed, finishing);
}

bool InstallerApp::finish(const std::optional<FinishChoices>& choices, HWND page) {
    MessageBoxPrompt pagePrompt(kInstallerTitle, page);
    ShellFinishing finishing(*this, pagePrompt, page);
    return ending_.finish(choices, finishing);
}

void InstallerApp::verificationEnded(VerificationEnd end) {
    ShellFinishing finishing(*this, prompt());
    ending_.verificationEnded(end, finishing);
}

bool InstallerApp::copyFileToFolder(const std::wstring& folder, const std::wstring& sourcePath) {
    return ::copyFileToFolder(platform(), folder, sourcePath);
}

void InstallerApp::placeUnicodeLayer() {
    wchar_t systemFolder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(systemFolder, MAX_PATH);
    // A longer answer than the buffer is the length it would need: no folder either.
    if (length == 0 || length >= MAX_PATH) {
        prompt().showMessage(L"Cannot get system directory!", MessageIcon::None);
        return;
    }
    const std::wstring target = std::wstring(systemFolder) + L"\\unicows.dll";
    CopyFileW(L"unicows.dll", target.c_str(), TRUE);
}

void InstallerApp::computeDefaultTargetFolder() {
    wchar_t programs[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, programs, CSIDL_PROGRAMS, FALSE);
    programsFolder = programs;
    defaultTargetFolder =
        defaultTargetFolderFor(programsFolder, config().folderCreateFlag, config().product);
}
