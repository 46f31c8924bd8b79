#include "installer_app_win.h"

#include <shellapi.h>
#include <shlobj.h>
#include <commctrl.h>
#include <ole2.h>

#include <vector>

#include "common/registered_type.h"
#include "common/win/profile_win.h"
#include "common/schedule_delete.h"
#include "installer/app/startup.h"
#include "installer/ui/logo_window_win.h"
#include "installer/ui/main_window_win.h"

namespace {

std::vector<std::wstring> commandLineArguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (list == nullptr) {
        return arguments;
    }
    for (int i = 0; i < count; ++i) {
        arguments.emplace_back(list[i]);
    }
    LocalFree(list);
    return arguments;
}

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

}  // namespace

InstallerApp::InstallerApp(Platform& platform, UserPrompt& prompt)
    : packageReader(platform, prompt), platform_(platform), prompt_(prompt) {}

bool InstallerApp::start() {
    // Embedded controls and the object-linking layer (the shell-link object
    // of the shortcuts needs it on this thread).
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);

    placeUnicodeLayer();
    if (!relaunchFromTemp()) {
        return false;
    }
    profileName = L".\\install.ini";
    auto arguments = commandLineArguments();
    mediumFolder = arguments.size() > 1 ? arguments[1] : std::wstring();

    auto config = loadConfiguration(IniFile(platform_), profileName, prompt_);
    if (!config) {
        ExitProcess(0);
    }
    config_ = std::move(*config);
    computeDefaultTargetFolder();
    // Three-dimensional control drawing is the system's default on every
    // version this program runs on; nothing to switch on.
    mediumFolder = mediumFolderFromArgument(mediumFolder);

    packageReader.SetText(CZipFilePackage::kReadErrorQuestion, text(45));
    packageReader.SetText(CZipFilePackage::kDiskFullQuestion, text(46));
    if (!packageReader.Open(mediumFolder)) {
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
    auto arguments = commandLineArguments();
    if (arguments.size() > 1 && !arguments[1].empty()) {
        return true;
    }
    const std::wstring sourceFolder = platform_.currentFolder();
    wchar_t tempPath[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tempPath);
    const std::wstring privateFolder = privateFolderFor(tempPath);
    CreateDirectoryW(privateFolder.c_str(), nullptr);
    const std::wstring copyPath = privateFolder + L"install.exe";
    const std::wstring folderArgument = privateFolder.substr(0, privateFolder.size() - 1);

    const std::wstring program = moduleFileName();
    if (!copyFileToFolder(folderArgument, program)) {
        return false;
    }
    for (const auto& name : filesCarriedByRelaunch()) {
        if (!copyFileToFolder(folderArgument, name)) {
            return false;
        }
    }
    for (const auto& path :
         deletionOrder(privateFolder, fileNameOf(program), platform_.isNtFamily())) {
        ScheduleDeleteOnReboot(path);
    }
    const std::wstring parameters = encodeMediumArgument(sourceFolder);
    ShellExecuteW(nullptr, L"open", copyPath.c_str(), parameters.c_str(), privateFolder.c_str(),
                  SW_SHOW);
    return false;
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
