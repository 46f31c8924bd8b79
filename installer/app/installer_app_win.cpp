#include "installer_app_win.h"

#include <shellapi.h>
#include <shlobj.h>
#include <commctrl.h>
#include <ole2.h>

#include <vector>

#include "common/registered_type.h"
#include "common/win/handles_win.h"
#include "common/win/profile_win.h"
#include "common/win/unattended_win.h"
#include "common/win/win32_registry_win.h"
#include "installer/engine/shortcuts_win.h"
#include "installer/engine/uninstall_entry.h"
#include "installer/ui/game_start_win.h"
#include "common/schedule_delete.h"
#include "installer/app/startup.h"
#include "installer/ui/logo_window_win.h"
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

std::wstring todayText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t text[16] = {};
    swprintf(text, 16, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}

}  // namespace

InstallerApp::InstallerApp(Platform& platform, UserPrompt& prompt, CommandSwitches switches,
                           RunLog& log)
    : packageReader(platform, prompt),
      platform_(platform),
      prompt_(prompt),
      switches_(std::move(switches)),
      log_(log) {}

bool InstallerApp::refuseUnknownSwitches() {
    if (switches_.unknown.empty()) {
        return true;
    }
    std::wstring text = L"Unknown option:";
    for (const std::wstring& unknown : switches_.unknown) {
        text += L" " + unknown;
    }
    text += L". Options: /S (no window), /D=FOLDER, /LOG=FILE, /VERIFY, /RUN.";
    prompt_.showMessage(text, MessageIcon::Stop);
    log_.write(L"Result: nothing was installed (exit code 1)");
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

    auto config = loadConfiguration(IniFile(platform_), profileName, prompt_);
    if (!config) {
        log_.write(L"Result: nothing was installed (exit code 1)");
        ExitProcess(switches_.any() ? kExitNothingInstalled : 0);
    }
    config_ = std::move(*config);
    computeDefaultTargetFolder();
    // Three-dimensional control drawing is the system's default on every
    // version this program runs on; nothing to switch on.
    mediumFolder = mediumFolderFromArgument(mediumFolder);

    packageReader.SetText(CZipFilePackage::kReadErrorQuestion, text(45));
    packageReader.SetText(CZipFilePackage::kDiskFullQuestion, text(46));
    if (!packageReader.Open(mediumFolder)) {
        log_.write(L"Result: nothing was installed (exit code 1)");
        return false;
    }
    if (switches_.silent) {
        runUnattended();
        return false;
    }
    {
        LogoWindow logo(*this);
        logo.runModal(nullptr);
    }
    MainWindow window(*this);
    mainWindow = &window;
    window.run();
    mainWindow = nullptr;
    return false;
}

void InstallerApp::exit() {
    config_ = InstallConfig();
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
        switches_.any() ? folderOf(program) : platform_.currentFolder();
    wchar_t tempPath[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tempPath);
    const std::wstring privateFolder = privateFolderFor(tempPath);
    CreateDirectoryW(privateFolder.c_str(), nullptr);
    const std::wstring folderArgument = privateFolder.substr(0, privateFolder.size() - 1);

    log_.write(L"Copying the installer from " + sourceFolder + L" into " + privateFolder);
    bool copied = copyFileToFolder(folderArgument, program);
    for (const auto& name : filesCarriedByRelaunch()) {
        // Bare names, from the current folder, as before.
        copied = copied && copyFileToFolder(folderArgument,
                                            switches_.any() ? sourceFolder + L"\\" + name : name);
    }
    if (!copied) {
        log_.write(L"Copying failed: is " + sourceFolder + L" an install medium?");
        log_.write(L"Result: nothing was installed (exit code 1)");
        return false;
    }
    for (const auto& path :
         deletionOrder(privateFolder, fileNameOf(program), platform_.isNtFamily())) {
        ScheduleDeleteOnReboot(path);
    }
    startCopy(privateFolder + L"install.exe", privateFolder, sourceFolder);
    return false;
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
        log_.write(L"The copy of the installer did not start: " + platform_.lastErrorText());
        log_.write(L"Result: nothing was installed (exit code 1)");
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
    UnattendedInstall install(platform_, prompt_, log_, packageReader, config_, *this, *this);
    exitCode_ = install.run(options);
}

void InstallerApp::createProgramGroup(InstallEngine& engine) {
    CreateProgramGroup(platform_, prompt_, config_, targetFolder, programsFolder,
                       [&engine](bool isFolder, const std::wstring& path) {
                           return engine.record(isFolder, path);
                       });
}

void InstallerApp::addUninstallEntry() {
    Win32Registry registry;
    const auto root = writeUninstallEntry(
        registry, config_, {targetFolder, packageReader.header().totalSize, todayText()});
    if (!root) {
        log_.write(L"No entry in the list of installed programs could be written");
        return;
    }
    log_.write(
        std::wstring(L"Added to the list of installed programs under ") +
        (*root == RegistryRoot::LocalMachine ? L"HKEY_LOCAL_MACHINE" : L"HKEY_CURRENT_USER"));
    writeProfileEntries(targetFolder + L"\\uninstall.ini",
                        uninstallEntryEntries(uninstallKeyName(config_.product), *root));
}

void InstallerApp::registerFileType() {
    RegisterUpdatePackType(*this);
}

void InstallerApp::createDesktopShortcuts(InstallEngine& engine) {
    CreateDesktopShortcuts(*this, [&engine](bool isFolder, const std::wstring& path) {
        return engine.record(isFolder, path);
    });
}

void InstallerApp::startGame() {
    StartInstalledGame(*this);
}

bool InstallerApp::copyFileToFolder(const std::wstring& folder, const std::wstring& sourcePath) {
    return ::copyFileToFolder(platform_, folder, sourcePath);
}

void InstallerApp::placeUnicodeLayer() {
    wchar_t systemFolder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(systemFolder, MAX_PATH);
    // A longer answer than the buffer is the length it would need: no folder either.
    if (length == 0 || length >= MAX_PATH) {
        prompt_.showMessage(L"Cannot get system directory!", MessageIcon::None);
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
        defaultTargetFolderFor(programsFolder, config_.folderCreateFlag, config_.product);
}

bool InstallerApp::writeResource(const std::wstring& folder, int number, const wchar_t* type,
                                 const wchar_t* fileName) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(self, MAKEINTRESOURCEW(number), type);
    if (resource == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(self, resource);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return false;
    }
    DWORD size = SizeofResource(self, resource);
    return writeWholeFile(platform_, folder + L"\\" + fileName, bytes, size, Share::None);
}

bool InstallerApp::writeExe(const std::wstring& folder) {
    return writeResource(folder, kUninstallerExeResource, L"RT_EXE", L"uninstall.exe");
}

// The uninstaller's fixed key names may differ from those of install.ini, so
// these travel to it in the uninstall.ini it reads.
bool InstallerApp::writeIni(const std::wstring& folder) {
    if (!writeResource(folder, kUninstallerIniResource, L"RT_INI", L"uninstall.ini")) {
        return false;
    }
    writeProfileEntries(folder + L"\\uninstall.ini",
                        registeredNameEntries(config_.regFileExtName, config_.regKeyName));
    return true;
}
