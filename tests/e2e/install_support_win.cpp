#include "tests/e2e/install_support_win.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <utility>

#include "common/text.h"
#include "common/win/handles_win.h"

namespace e2e {

namespace {

using namespace e2e::controls;

// A small deterministic generator, so that a file's bytes follow from its
// name and size alone.
std::vector<uint8_t> fileBytes(const std::wstring& name, size_t size) {
    uint32_t state = 2166136261u;
    for (wchar_t c : name) {
        state = (state ^ static_cast<uint32_t>(c)) * 16777619u;
    }
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        // Every fourth byte from a short alphabet: the data compresses somewhat.
        bytes[i] =
            (i % 4 == 0) ? static_cast<uint8_t>('a' + state % 8) : static_cast<uint8_t>(state);
    }
    return bytes;
}

std::wstring parentOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

std::optional<uint64_t> smallDriveFreeBytes() {
    const wchar_t* const drive = L"T:\\";
    ULARGE_INTEGER available{};
    if (GetDriveTypeW(drive) <= DRIVE_NO_ROOT_DIR ||
        !GetDiskFreeSpaceExW(drive, &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    // A few MB: anything larger is not the fixture's drive.
    if (available.QuadPart > (uint64_t{16} << 20)) {
        return std::nullopt;
    }
    return available.QuadPart;
}

std::vector<GameFile> gameFillingTheDrive(uint64_t freeBytes) {
    // The path page wants the game's size plus 10 bytes free, while the
    // unpack asks about a full disk as soon as less than a chunk plus 1 MiB
    // is left. A game half a megabyte smaller than the free space passes the
    // first rule and trips the second well inside its large file, the more so
    // as the uninstaller (about 2 MiB) is written first. No filler file is
    // needed, and so no race with the install.
    const size_t size = static_cast<size_t>(freeBytes) - (size_t{1} << 19);
    return {{L"Game.exe", 100000}, {L"data\\world.dat", size - 100000}};
}

bool makeGame(const std::wstring& folder, const std::vector<GameFile>& files,
              const std::vector<std::wstring>& emptyFolders) {
    if (!createFolders(folder)) {
        return false;
    }
    for (const GameFile& file : files) {
        const std::wstring path = folder + L"\\" + file.name;
        if (!createFolders(parentOf(path)) ||
            !writeFileBytes(path, fileBytes(file.name, file.size))) {
            return false;
        }
    }
    for (const std::wstring& empty : emptyFolders) {
        if (!createFolders(folder + L"\\" + empty)) {
            return false;
        }
    }
    return true;
}

std::optional<DWORD> runMedium(const std::wstring& arguments, DWORD timeoutMs) {
    const std::wstring program = folderFromEnvironment(L"CKV_BIN") + L"\\medium.exe";
    auto process = ui::Process::start(program, arguments, L"");
    if (!process || !process->waitForExit(timeoutMs)) {
        if (process) {
            process->terminate();
        }
        return std::nullopt;
    }
    return process->exitCode();
}

std::vector<uint8_t> installIniBytes(const std::wstring& programGroup,
                                     const std::vector<ShortcutEntry>& shortcuts,
                                     const std::wstring& extraSetup) {
    using namespace install_texts;
    std::wstring text = L"[setup]\r\nproduct=" + kProduct + L"\r\nprogramgroup=" + programGroup +
                        L"\r\nprogramfile=Game.exe\r\nfolder_create_flag=0\r\n"
                        L"package_check_flag=1\r\n" +
                        extraSetup;
    text += L"[shortcut]\r\ncount=" + std::to_wstring(shortcuts.size()) + L"\r\n";
    for (size_t i = 0; i < shortcuts.size(); ++i) {
        const ShortcutEntry& entry = shortcuts[i];
        text += L"[shortcut" + std::to_wstring(i) + L"]\r\nname=" + entry.name + L"\r\nlink=" +
                entry.link + L"\r\npos=" + entry.pos + L"\r\nparams=" + entry.params + L"\r\n";
    }
    text += L"[restable]\r\nrescount=55\r\n";
    const std::pair<int, std::wstring> texts[] = {
        {0, kPathTitle},
        {1, L"The game needs %d MB."},
        {5, L"There is not enough space."},
        {9, kInstallingFile},
        {10, L"%d%% done"},
        {12, L"Cannot create the program group %s."},
        {13, L"Cannot create the shortcut %s."},
        {14, L"File:"},
        {15, L"Overall:"},
        {16, L"Stop"},
        {17, L"Desktop icon"},
        {18, L"Start the game"},
        {19, kFinishedText},
        {20, kFailedText},
        {21, L"Finish"},
        {22, L"Read the licence:"},
        {23, kAgreementTitle},
        {24, L"Agree"},
        {25, L"Decline"},
        {27, L"Back"},
        {28, L"Next"},
        {29, L"End"},
        {30, kFinishTitle},
        {31, kProgressTitle},
        {32, kMainTitle},
        {33, L"Free: %d MB"},
        {34, L"Creating a folder"},
        {35, L"Please type a folder."},
        {36, kNextDiscTitle},
        {37, L"Disc folder:"},
        {38, kCancelQuestion},
        {39, L"OK"},
        {40, L"Cancel"},
        {41, kPackageCheckTitle},
        {42, kPackageDamaged},
        {43, kFileDamaged},
        {44, kVerifyCancelQuestion},
        {45, L"The package cannot be read. Try again?"},
        {46, kDiskFullQuestion},
        {47, kVerifyTitle},
        {48, kReportEnd},
        {49, kUndoTitle},
        {50, kVerifyDone},
        {51, L"Check the packages first?"},
        {52, kConfirmTitle},
        {53, L"Skip"},
        {54, L"Check"},
    };
    for (const auto& [index, value] : texts) {
        text += L"str" + std::to_wstring(index) + L"=" + value + L"\r\n";
    }
    return utf16FileBytes(text);
}

bool placeInstaller(const std::wstring& medium, const std::wstring& programGroup,
                    const std::vector<ShortcutEntry>& shortcuts, const std::wstring& extraSetup) {
    const std::wstring bin = folderFromEnvironment(L"CKV_BIN");
    for (const wchar_t* name : {L"install.exe", L"JPGI.dll", L"ijl15.dll"}) {
        auto bytes = readFileBytes(bin + L"\\" + name);
        if (!bytes || bytes->empty() || !writeFileBytes(medium + L"\\" + name, *bytes)) {
            return false;
        }
    }
    return writeFileBytes(medium + L"\\install.ini",
                          installIniBytes(programGroup, shortcuts, extraSetup));
}

std::wstring md5code(const std::wstring& medium, const std::wstring& key) {
    wchar_t value[256] = {};
    GetPrivateProfileStringW(L"md5code", key.c_str(), L"", value, 256,
                             (medium + L"\\install.ini").c_str());
    return value;
}

bool setMd5code(const std::wstring& medium, const std::wstring& key, const std::wstring& value) {
    return WritePrivateProfileStringW(L"md5code", key.c_str(), value.c_str(),
                                      (medium + L"\\install.ini").c_str()) != FALSE &&
           md5code(medium, key) == value;
}

int addZeroPackage(const std::wstring& medium, int64_t size, const std::wstring& digest) {
    const int number = _wtoi(md5code(medium, L"count").c_str()) + 1;
    const std::wstring path = medium + L"\\data" + std::to_wstring(number) + L".pck";
    const KernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER end{};
    end.QuadPart = size;
    if (!file || !SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(file.get()) || !setMd5code(medium, L"count", std::to_wstring(number)) ||
        !setMd5code(medium, L"pck" + std::to_wstring(number), digest)) {
        return 0;
    }
    return number;
}

bool takeAwayPackage(const std::wstring& medium, int number, const std::wstring& folder) {
    const std::wstring name = L"\\data" + std::to_wstring(number) + L".pck";
    return fileExists(medium + name) && createFolders(folder) &&
           MoveFileW((medium + name).c_str(), (folder + name).c_str()) != FALSE;
}

std::vector<std::wstring> readUninstallRecords(const std::wstring& path) {
    std::vector<std::wstring> records;
    auto bytes = readFileBytes(path);
    if (!bytes) {
        return records;
    }
    constexpr size_t kRecordBytes = 520;
    for (size_t offset = 0; offset + kRecordBytes <= bytes->size(); offset += kRecordBytes) {
        std::wstring text;
        for (size_t i = offset; i < offset + kRecordBytes; i += 2) {
            const wchar_t unit = static_cast<wchar_t>((*bytes)[i] | ((*bytes)[i + 1] << 8));
            if (unit == 0) {
                break;
            }
            text.push_back(unit);
        }
        records.push_back(text);
    }
    return records;
}

std::vector<std::wstring> logLines(const std::wstring& path) {
    std::vector<std::wstring> lines;
    const auto bytes = readFileBytes(path);
    if (!bytes) {
        return lines;
    }
    std::string text(bytes->begin(), bytes->end());
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
        text.erase(0, 3);
    }
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(wideFromUtf8(text.substr(at, end - at)));
    }
    return lines;
}

bool hasLine(const std::vector<std::wstring>& lines, const std::wstring& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::wstring programsFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, 0, path))) {
        return L"";
    }
    return path;
}

InstallerDriver::~InstallerDriver() {
    if (process_ && process_->isRunning()) {
        process_->terminate();
    }
}

std::optional<ui::Window> InstallerDriver::window(const std::wstring& title, DWORD timeoutMs) {
    return ui::Window::find({title, false, L"#32770", process_->id()}, timeoutMs);
}

bool InstallerDriver::visible(const std::wstring& title) {
    return !ui::Window::list({title, false, L"#32770", process_->id()}).empty();
}

std::optional<ui::Window> InstallerDriver::reachAgreement() {
    process_ = ui::Process::start(medium_ + L"\\install.exe", medium_, medium_);
    EXPECT_TRUE(process_.has_value()) << "install.exe did not start";
    if (!process_) {
        return std::nullopt;
    }
    auto agreement = window(install_texts::kAgreementTitle);
    EXPECT_TRUE(agreement.has_value()) << "no agreement page";
    if (!agreement ||
        !ui::waitUntil([&] { return agreement->control(kAgreeButton).isEnabled(); })) {
        return std::nullopt;
    }
    return agreement;
}

std::optional<ui::Window> InstallerDriver::reachPathPage() {
    auto agreement = reachAgreement();
    if (!agreement || !agreement->control(kAgreeButton).click()) {
        return std::nullopt;
    }
    auto path = window(install_texts::kPathTitle);
    EXPECT_TRUE(path.has_value()) << "no path page";
    if (!path || !path->waitIdle()) {
        return std::nullopt;
    }
    return path;
}

std::optional<ui::Window> InstallerDriver::reachCheckQuestion(const std::wstring& target) {
    using namespace install_texts;
    auto path = reachPathPage();
    if (!path) {
        return std::nullopt;
    }
    SetWindowTextW(path->control(kFolderBox).handle(), target.c_str());
    if (!path->control(IDOK).click()) {
        return std::nullopt;
    }
    auto confirm = window(kConfirmTitle);
    EXPECT_TRUE(confirm.has_value()) << "no package check question";
    return confirm;
}

bool InstallerDriver::startInstall(const std::wstring& target) {
    auto confirm = reachCheckQuestion(target);
    // Cancel skips the package check.
    if (!confirm || !confirm->control(IDCANCEL).click()) {
        return false;
    }
    // A small install may be over before its page is seen.
    progress_ = window(install_texts::kProgressTitle, 3000);
    return true;
}

std::optional<ui::Window> InstallerDriver::startCheckedInstall(const std::wstring& target) {
    auto confirm = reachCheckQuestion(target);
    if (!confirm || !confirm->control(IDOK).click()) {
        return std::nullopt;
    }
    // The title names the package being checked; any package will do.
    return ui::Window::find({L"Checking package ", true, L"#32770", process_->id()}, 3000);
}

bool InstallerDriver::cancelWhileWriting(const std::wstring& path, uint64_t size, double share,
                                         CancelBy by) {
    // Looked at on disk, with the work held: the page shows it later.
    const auto partlyWritten = [&] {
        const auto written = fileSize(path);
        return written && *written >= static_cast<uint64_t>(share * static_cast<double>(size)) &&
               *written < size;
    };
    if (!cancelWhen(partlyWritten, by)) {
        ADD_FAILURE() << "at " << utf8FromWide(path) << ": " << fileSize(path).value_or(0)
                      << " bytes written";
        return false;
    }
    return true;
}

bool InstallerDriver::cancelWhen(const std::function<bool()>& condition, CancelBy by) {
    if (!progress_) {
        ADD_FAILURE() << "no install page";
        return false;
    }
    const auto held = ui::HeldThreads::holdWhen(*progress_, condition, kInstallTimeout);
    if (!held) {
        std::string seen = "the install did not reach the point to cancel at";
        for (const auto& box : ui::MessageBoxWindow::list(process_->id())) {
            seen += "; a message says: " + utf8FromWide(box.text());
        }
        ADD_FAILURE() << seen;
        return false;
    }
    const bool pressed = by == CancelBy::Button ? progress_->control(kCancelButton).click()
                                                : ui::pressKey(*progress_, VK_ESCAPE);
    if (!pressed) {
        ADD_FAILURE() << "Cancel could not be pressed";
        return false;
    }
    const auto question =
        ui::MessageBoxWindow::find(install_texts::kCancelQuestion, process_->id());
    if (!question || !question->press(IDYES)) {
        ADD_FAILURE() << "no cancel question";
        return false;
    }
    // The answer is taken before the work goes on.
    return progress_->waitIdle();
}

bool InstallerDriver::finish(bool desktopIcon) {
    auto page = window(install_texts::kFinishTitle, kInstallTimeout);
    EXPECT_TRUE(page.has_value()) << "no finish page";
    if (!page || !page->waitIdle()) {
        return false;
    }
    const ui::Control box = page->control(kDesktopIconBox);
    if (box.isEnabled() && box.isChecked() != desktopIcon && !box.click()) {
        return false;
    }
    if (!page->waitIdle() || !page->control(IDOK).click()) {
        return false;
    }
    const bool ended = process_->waitForExit(kInstallTimeout);
    EXPECT_TRUE(ended) << "the installer did not end after Finish";
    return ended;
}

bool InstallerDriver::installCompletely(const std::wstring& target, bool desktopIcon) {
    return startInstall(target) && finish(desktopIcon);
}

std::optional<std::vector<std::wstring>> InstallerDriver::finishFailed() {
    std::vector<std::wstring> messages;
    std::optional<ui::Window> page;
    const bool shown = ui::waitUntil(
        [&] {
            for (const auto& box : ui::MessageBoxWindow::list(process_->id())) {
                messages.push_back(box.text());
                static_cast<void>(box.press(IDOK));
            }
            page = window(install_texts::kFinishTitle, 0);
            return page.has_value();
        },
        kInstallTimeout);
    EXPECT_TRUE(shown) << "no finish page after the failure";
    if (!shown || !page->waitIdle()) {
        return std::nullopt;
    }
    EXPECT_EQ(page->control(kResultText).text(), install_texts::kFailedText);
    if (!page->control(IDOK).click() || !process_->waitForExit(kInstallTimeout)) {
        ADD_FAILURE() << "the installer did not end after Finish";
        return std::nullopt;
    }
    return messages;
}

UninstallerDriver::~UninstallerDriver() {
    if (copy_ && copy_->isRunning()) {
        copy_->terminate();
    }
}

std::optional<ui::Window> UninstallerDriver::start() {
    const ui::WindowQuery query{title_, false, L"#32770", 0};
    const std::vector<ui::Window> earlier = ui::Window::list(query);
    auto first = ui::Process::start(gameFolder_ + L"\\uninstall.exe", L"", gameFolder_);
    EXPECT_TRUE(first.has_value()) << "uninstall.exe did not start";
    if (!first || !first->waitForExit()) {
        ADD_FAILURE() << "the uninstaller's first stage did not end";
        return std::nullopt;
    }
    std::optional<ui::Window> window;
    ui::waitUntil([&] {
        for (const ui::Window& candidate : ui::Window::list(query)) {
            if (std::none_of(earlier.begin(), earlier.end(), [&](const ui::Window& other) {
                    return other.handle() == candidate.handle();
                })) {
                window = candidate;
            }
        }
        return window.has_value();
    });
    EXPECT_TRUE(window.has_value()) << "no uninstall window";
    if (window) {
        copy_ = ui::Process::open(window->processId());
        if (!window->waitIdle()) {
            return std::nullopt;
        }
    }
    return window;
}

std::optional<std::vector<std::wstring>> UninstallerDriver::remove(bool deleteAll) {
    auto window = start();
    return window ? pressStart(*window, deleteAll) : std::nullopt;
}

std::optional<std::vector<std::wstring>> UninstallerDriver::pressStart(const ui::Window& window,
                                                                       bool deleteAll) {
    if (!copy_) {
        return std::nullopt;
    }
    const DWORD process = window.processId();
    if (deleteAll) {
        if (!window.control(kDeleteAllBox).click()) {
            return std::nullopt;
        }
        auto question = ui::MessageBoxWindow::find(install_texts::kDeleteAllAsk, process);
        EXPECT_TRUE(question.has_value()) << "ticking delete-all asked nothing";
        if (!question || !question->press(IDYES) || !window.waitIdle()) {
            return std::nullopt;
        }
    }
    if (!window.control(IDOK).click()) {
        return std::nullopt;
    }
    std::vector<std::wstring> messages;
    const bool ended = ui::waitUntil(
        [&] {
            for (const auto& box : ui::MessageBoxWindow::list(process)) {
                messages.push_back(box.text());
                if (!box.press(IDOK)) {
                    return false;
                }
            }
            return !copy_->isRunning();
        },
        kInstallTimeout);
    EXPECT_TRUE(ended) << "the uninstaller did not end after start";
    return ended ? std::optional(messages) : std::nullopt;
}

std::map<std::wstring, std::wstring> treeSnapshot(const std::wstring& folder) {
    std::map<std::wstring, std::wstring> tree;
    std::vector<std::wstring> pending = {L""};
    while (!pending.empty()) {
        const std::wstring relative = pending.back();
        pending.pop_back();
        WIN32_FIND_DATAW found{};
        const std::wstring base = relative.empty() ? folder : folder + L"\\" + relative;
        const HANDLE search = FindFirstFileW((base + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            continue;
        }
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = relative.empty() ? name : relative + L"\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                tree[path] = L"<link>";
                continue;
            }
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                tree[path] = L"<folder>";
                pending.push_back(path);
                continue;
            }
            const auto bytes = readFileBytes(folder + L"\\" + path);
            uint32_t digest = 2166136261u;
            for (uint8_t byte : bytes.value_or(std::vector<uint8_t>{})) {
                digest = (digest ^ byte) * 16777619u;
            }
            tree[path] =
                bytes ? std::to_wstring(bytes->size()) + L" bytes, " + std::to_wstring(digest)
                      : L"<unreadable>";
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return tree;
}

InstallScenarioBase::InstallScenarioBase()
    : root_(L"C:\\media\\" + currentTestName()),
      medium_(root_.path() + L"\\Disc"),
      game_(root_.path() + L"\\Game Source"),
      targets_(L"C:\\Installed\\" + currentTestName()),
      programGroup_(L"Install Test " + currentTestName()) {}

void InstallScenarioBase::SetUp() {
    ASSERT_TRUE(root_.created());
    ASSERT_TRUE(targets_.created());
}

void InstallScenarioBase::TearDown() {
    removeTree(programsFolder() + L"\\" + programGroup_);
}

void InstallScenarioBase::pack(const std::vector<GameFile>& files, const std::wstring& options,
                               const std::vector<std::wstring>& emptyFolders) {
    ASSERT_TRUE(makeGame(game_, files, emptyFolders));
    ASSERT_NO_FATAL_FAILURE(packGame(options));
}

void InstallScenarioBase::packGame(const std::wstring& options) {
    ASSERT_TRUE(createFolders(medium_));
    ASSERT_TRUE(placeInstaller(medium_, programGroup_, shortcuts_));
    const auto status = runMedium(L"pack \"" + game_ + L"\" \"" + medium_ + L"\" " + options);
    ASSERT_EQ(status, std::optional<DWORD>(0)) << "medium pack failed";
}

std::optional<std::wstring> registryString(HKEY root, const std::wstring& key, const wchar_t* name,
                                           const wchar_t* whenNoText) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const RegKey owned(opened);
    wchar_t text[1024] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::wstring(whenNoText);
    }
    return std::wstring(text);
}

std::optional<DWORD> runCommand(const std::wstring& line, const std::wstring& folder) {
    std::wstring command = line;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &started)) {
        return std::nullopt;
    }
    const KernelHandle process(started.hProcess);
    const KernelHandle thread(started.hThread);
    if (WaitForSingleObject(process.get(), kInstallTimeout) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 99);
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

}  // namespace e2e
