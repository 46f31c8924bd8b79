// The main job's walk through the whole life of a game, as a person would
// take it: the installer started from disc 1, the agreement read to its end,
// the proposed folder, the package check, the next disc, the finish page with
// the desktop icon, the verification and the game ticked, the report, the
// game started; then the uninstaller from the game's folder with delete-all.
// Every page reached and every check made is a line of a Markdown report,
// with a screenshot of each page, in the output folder.
//
//   journey.exe [--keyboard] OUTPUT REFERENCE DISC1 [DISC2 ...]
//
// With --keyboard every page is answered as a person without a mouse would:
// keys typed through the system's input (Tab to a control, Space to press
// it, Ctrl+End in the agreement, Enter on a message), no click at all. The
// discs are then one folder: the folder browser of the next-disc prompt is
// left to the mouse's journey.
// REFERENCE holds the files the game must have once installed (the game
// folder the medium was made from, or what `medium extract` makes of it).
// The texts the windows are found by come from DISC1\install.ini. The exit
// code is 0 when every check passed.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "common/registered_type.h"
#include "common/text.h"
#include "common/win/handles_win.h"
#include "common/win/win32_platform_win.h"
#include "installer/app/startup.h"
#include "installer/engine/install_config.h"
#include "installer/engine/shortcuts.h"
#include "installer/engine/uninstall_entry.h"
#include "tests/e2e/install_support_win.h"

namespace {

using namespace e2e::controls;

constexpr DWORD kLongWait = 5 * 60 * 1000;

std::optional<std::wstring> specialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path))) {
        return std::nullopt;
    }
    return std::wstring(path);
}

// The program a shortcut file starts.
std::optional<std::wstring> linkTarget(const std::wstring& file) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.put())))) {
        return std::nullopt;
    }
    ComPtr<IPersistFile> persist;
    wchar_t path[MAX_PATH] = {};
    if (FAILED(link.queryInterface(IID_IPersistFile, persist)) ||
        FAILED(persist->Load(file.c_str(), STGM_READ)) ||
        FAILED(link->GetPath(path, MAX_PATH, nullptr, 0))) {
        return std::nullopt;
    }
    return std::wstring(path);
}

// The report: a line for each page reached and each check, written as it
// goes, so that a walk that gets stuck still tells how far it came.
class Report {
public:
    explicit Report(std::wstring folder) : folder_(std::move(folder)) {}

    void title(const std::wstring& medium, int dpi, bool keyboard) {
        write(L"# The journey of a game\n\nMedium: `" + medium + L"`; screen of " +
              std::to_wstring(dpi) + L" dpi; every page answered " +
              (keyboard ? L"with the keyboard alone" : L"with the mouse") +
              L"\n\n| | Step | Detail |\n|---|---|---|\n");
    }
    bool step(const std::wstring& name, bool ok, const std::wstring& detail = L"") {
        write(std::wstring(L"| ") + (ok ? L"ok" : L"**FAILED**") + L" | " + name + L" | " + detail +
              L" |\n");
        std::printf("%s %s\n", ok ? "ok    " : "FAILED", utf8FromWide(name).c_str());
        failures_ += ok ? 0 : 1;
        return ok;
    }
    // A screenshot of a page; the report links the PNG the main job makes of it.
    void picture(const std::wstring& name, const std::function<bool(const std::wstring&)>& take) {
        const bool taken = take(folder_ + L"\\" + name + L".bmp");
        pictures_.push_back(taken ? L"![" + name + L"](" + name + L".png)" : name + L": none");
    }
    int finish() {
        std::wstring tail = L"\n" + std::to_wstring(failures_) + L" failed.\n\n## Pages\n\n";
        for (const std::wstring& picture : pictures_) {
            tail += picture + L"\n\n";
        }
        write(tail);
        return failures_ == 0 ? 0 : 1;
    }

private:
    void write(const std::wstring& text) {
        const std::string bytes = utf8FromWide(text);
        if (FILE* file = _wfopen((folder_ + L"\\report.md").c_str(), L"ab")) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
    }

    std::wstring folder_;
    std::vector<std::wstring> pictures_;
    int failures_ = 0;
};

class Journey {
public:
    Journey(std::wstring output, std::wstring reference, std::vector<std::wstring> discs,
            bool keyboard)
        : keyboard_(keyboard),
          report_(std::move(output)),
          reference_(std::move(reference)),
          discs_(std::move(discs)),
          config_(loadConfiguration(IniFile(platform_), discs_[0] + L"\\install.ini", quiet_)
                      .value_or(InstallConfig())) {}

    int run() {
        WindowDc screen(nullptr);
        report_.title(discs_[0], GetDeviceCaps(screen.get(), LOGPIXELSY), keyboard_);
        if (install() && checkInstalled()) {
            uninstall();
        }
        return report_.finish();
    }

private:
    // A window of the installer's copy, or of any process when there is none.
    std::optional<ui::Window> page(const std::wstring& name, const std::wstring& title,
                                   DWORD timeout = ui::kDefaultTimeout) {
        auto window =
            ui::Window::find({title, false, L"#32770", installer_ ? installer_->id() : 0}, timeout);
        report_.step(L"page: " + name, window.has_value(), L"\"" + title + L"\"");
        if (window) {
            static_cast<void>(window->waitIdle());
        }
        return window;
    }
    void shot(const std::wstring& name, const ui::Window& window) {
        report_.picture(name,
                        [&](const std::wstring& path) { return window.saveScreenshot(path); });
    }
    // Tabs through the page until control `id` has the focus.
    static bool focus(const ui::Window& page, int id) {
        for (int tabs = 0; tabs < 16 && ui::focusedControlId(page) != id; ++tabs) {
            const HWND before = ui::focusedControl(page);
            if (!ui::pressKey(page, VK_TAB)) {
                return false;
            }
            ui::waitUntil([&] { return ui::focusedControl(page) != before; }, 2000);
        }
        return ui::focusedControlId(page) == id;
    }
    // Presses a button or ticks a box: the click of a mouse, or Tab to it
    // and Space.
    bool press(const ui::Window& page, int id) const {
        if (!keyboard_) {
            return page.control(id).click();
        }
        return focus(page, id) && ui::pressKey(page, VK_SPACE);
    }
    // Answers a message box with its default button.
    bool answer(const ui::MessageBoxWindow& box, int id) const {
        if (!keyboard_) {
            return box.press(id);
        }
        const HWND handle = box.window().handle();
        return ui::pressKey(box.window(), VK_RETURN) &&
               ui::waitUntil([&] { return IsWindow(handle) == FALSE; });
    }
    void shotScreen(const std::wstring& name) {
        report_.picture(name, [](const std::wstring& path) { return ui::saveScreenNow(path); });
    }

    // Answers a next-disc prompt with the disc it asks for, when one shows,
    // once for each disc and stage (the check asks, then the install).
    bool answerNextDisc(const std::wstring& when) {
        for (size_t disc = 2; disc <= discs_.size(); ++disc) {
            const std::wstring title = fillIntegerFormat(config_.text(36), static_cast<int>(disc));
            auto prompt = ui::Window::find({title, false, L"#32770", 0}, 0);
            if (!prompt || !answered_.insert(when + std::to_wstring(disc)).second) {
                continue;
            }
            report_.step(L"page: next-disc prompt (" + when + L")", true, L"\"" + title + L"\"");
            shot(L"next-disc-" + std::to_wstring(disc) + L"-" + when, *prompt);
            // The folder box is read-only: the disc is picked with the browser.
            const bool picked = prompt->control(kBrowseButton).click() &&
                                ui::pickFolderInBrowser(*prompt, discs_[disc - 1]) &&
                                prompt->waitIdle() &&
                                prompt->control(kFolderBox).text() == discs_[disc - 1] &&
                                prompt->control(IDOK).click();
            return report_.step(L"disc " + std::to_wstring(disc) + L" picked with the browser",
                                picked, discs_[disc - 1]);
        }
        return false;
    }

    // The copy the first run starts from the temporary folder.
    std::optional<ui::Process> findCopy() {
        std::optional<ui::Process> copy;
        ui::waitUntil([&] {
            for (const ui::ProcessEntry& entry : ui::listProcesses(L"install.exe")) {
                if (lowerCase(ui::processImagePath(entry.id)).find(L"\\ckvstaging\\") !=
                    std::wstring::npos) {
                    copy = ui::Process::open(entry.id);
                    return copy.has_value();
                }
            }
            return false;
        });
        return copy;
    }

    bool install() {
        auto first = ui::Process::start(discs_[0] + L"\\install.exe", L"", discs_[0]);
        if (!report_.step(L"install.exe started from disc 1", first.has_value()) ||
            !report_.step(L"its first run copied it into the temporary folder and ended",
                          first->waitForExit(30000))) {
            return false;
        }
        installer_ = findCopy();
        if (!report_.step(L"the copy runs from the temporary folder", installer_.has_value())) {
            return false;
        }
        if (auto logo = ui::Window::find({L"", false, L"#32770", installer_->id()}, 10000)) {
            report_.step(L"page: logo", true);
            shot(L"01-logo", *logo);
        }
        auto agreement = page(L"agreement", config_.text(23), 30000);
        if (!agreement) {
            return false;
        }
        // Read to its end: agree is offered only then.
        bool read = false;
        if (keyboard_) {
            read =
                ui::waitUntil([&] { return ui::focusedControlId(*agreement) == kAgreementText; }) &&
                ui::pressKey(*agreement, VK_END, ui::kControl) &&
                ui::waitUntil([&] { return agreement->control(kAgreeButton).isEnabled(); });
            report_.step(L"agreement taken to its end with Ctrl+End, agree enabled", read);
        } else {
            ui::Window text(agreement->control(kAgreementText).handle());
            read = ui::waitUntil([&] {
                return text.sendMessage(WM_VSCROLL, SB_PAGEDOWN, 0).has_value() &&
                       agreement->control(kAgreeButton).isEnabled();
            });
            report_.step(L"agreement scrolled to its end, agree enabled", read);
        }
        shot(L"02-agreement", *agreement);
        if (!read || !press(*agreement, kAgreeButton)) {
            return false;
        }

        auto path = page(L"path", config_.text(0));
        if (!path) {
            return false;
        }
        target_ = path->control(kFolderBox).text();
        report_.step(L"proposed folder", !target_.empty(), target_);
        shot(L"03-path", *path);
        if (!press(*path, IDOK)) {
            return false;
        }
        if (config_.packageCheckFlag) {
            auto question = page(L"package check question", config_.text(52));
            if (!question) {
                return false;
            }
            shot(L"04-check-question", *question);
            if (!press(*question, IDOK)) {
                return false;
            }
            const std::wstring checking = config_.text(41).substr(0, config_.text(41).find(L'%'));
            if (auto check = ui::Window::find({checking, true, L"#32770", 0}, 5000)) {
                report_.step(L"page: package check", true);
                shotScreen(L"05-package-check");
            }
        }
        // Until the finish page shows: the install page, and each disc the
        // check and then the install ask for.
        bool installShown = false;
        std::optional<ui::Window> finish;
        ui::waitUntil(
            [&] {
                // The install page once it is placed and drawn, with its
                // first progress, in front of the background picture.
                if (!installShown) {
                    auto progress =
                        ui::Window::find({config_.text(31), false, L"#32770", installer_->id()}, 0);
                    if (progress && progress->waitIdle(1000) &&
                        !progress->control(kOverallPercent).text().empty()) {
                        report_.step(L"page: install", true, L"\"" + config_.text(31) + L"\"");
                        shotScreen(L"06-install");
                        installShown = true;
                    }
                }
                if (!keyboard_) {
                    answerNextDisc(installShown ? L"install" : L"check");
                }
                finish =
                    ui::Window::find({config_.text(30), false, L"#32770", installer_->id()}, 0);
                return finish.has_value();
            },
            kLongWait);
        if (!report_.step(L"page: finish", finish.has_value(), L"\"" + config_.text(30) + L"\"")) {
            return false;
        }
        static_cast<void>(finish->waitIdle());
        report_.step(L"finish: the install completed",
                     finish->control(1010).text() == config_.text(19),
                     finish->control(1010).text());
        const bool ticked = finish->control(kDesktopIconBox).isChecked() &&
                            press(*finish, kStartGameBox) && press(*finish, kVerifyBox) &&
                            ui::waitUntil([&] { return finish->control(kVerifyBox).isChecked(); });
        report_.step(L"finish: desktop icon, start the game and verify ticked", ticked);
        shot(L"07-finish", *finish);
        if (!ticked || !press(*finish, IDOK)) {
            return false;
        }

        auto verification = page(L"verification", config_.text(47));
        const auto done = ui::MessageBoxWindow::find(config_.text(50), installer_->id(), kLongWait);
        if (!report_.step(L"verification ended with its message", done.has_value(),
                          L"\"" + config_.text(50) + L"\"") ||
            !verification) {
            return false;
        }
        const std::wstring lines = verification->control(kReportBox).text();
        report_.step(L"verification report: every file OK",
                     lines.find(L"FAILED!") == std::wstring::npos &&
                         lines.find(L"OK!") != std::wstring::npos,
                     std::to_wstring(std::count(lines.begin(), lines.end(), L'\n')) + L" lines");
        shot(L"08-verification", *verification);
        static_cast<void>(answer(*done, IDOK));
        report_.step(L"installer ended", installer_->waitForExit(30000));
        const std::wstring started = target_ + L"\\started.txt";
        report_.step(L"the game was started", ui::waitUntil([&] {
                         return e2e::fileExists(started) ||
                                !ui::listProcesses(fileNameOf(config_.programFile)).empty();
                     }));
        return true;
    }

    bool checkInstalled() {
        // Every file of the game, byte for byte.
        const auto expected = e2e::treeSnapshot(reference_);
        auto installed = e2e::treeSnapshot(target_);
        for (const wchar_t* added :
             {L"uninstall.exe", L"uninstall.ini", L"uninstall.dat", L"started.txt"}) {
            installed.erase(added);
        }
        size_t differing = 0;
        std::wstring first;
        for (const auto& [name, digest] : expected) {
            const auto found = installed.find(name);
            if (found == installed.end() || found->second != digest) {
                first = first.empty() ? name : first;
                ++differing;
            }
        }
        report_.step(L"every installed file byte for byte as in the game",
                     differing == 0 && installed.size() == expected.size(),
                     std::to_wstring(expected.size()) + L" files and folders" +
                         (first.empty() ? L"" : L"; first difference: " + first));

        records_ = e2e::readUninstallRecords(target_ + L"\\uninstall.dat");
        const std::vector<std::wstring> head = {
            L"FOLDER:" + target_, L"FILE:" + target_ + L"\\uninstall.ini",
            L"FILE:" + target_ + L"\\uninstall.exe", L"FILE:" + target_ + L"\\uninstall.dat"};
        size_t unrecorded = 0;
        for (const auto& [name, digest] : expected) {
            const std::wstring kind = digest == L"<folder>" ? L"FOLDER:" : L"FILE:";
            unrecorded +=
                std::count(records_.begin(), records_.end(), kind + target_ + L"\\" + name) == 0
                    ? 1
                    : 0;
        }
        report_.step(
            L"uninstall.dat: the target folder and the uninstaller first, then every "
            L"file and folder",
            records_.size() >= head.size() &&
                std::equal(head.begin(), head.end(), records_.begin()) && unrecorded == 0,
            std::to_wstring(records_.size()) + L" records");

        // The shortcuts start what install.ini names.
        const auto programs = specialFolder(CSIDL_PROGRAMS);
        const auto desktop = specialFolder(CSIDL_DESKTOPDIRECTORY);
        for (const ShortcutSpec& shortcut : config_.shortcuts) {
            const std::wstring folder =
                isDesktopShortcut(shortcut)
                    ? desktop.value_or(L"")
                    : programGroupFolder(programs.value_or(L""), config_.programGroup);
            const std::wstring file = shortcutFilePath(folder, shortcut.name);
            const auto points = linkTarget(file);
            report_.step(
                L"shortcut " + file,
                points && lowerCase(*points) == lowerCase(shortcutTarget(target_, shortcut.link)),
                points.value_or(L"missing"));
        }

        // The file type and the entry in the list of installed programs.
        if (!config_.regFileExtName.empty() && !config_.regKeyName.empty()) {
            const auto command = e2e::registryString(
                HKEY_CLASSES_ROOT, config_.regKeyName + L"\\shell\\open\\command", nullptr);
            report_.step(L"file type ." + config_.regFileExtName,
                         e2e::registryString(HKEY_CLASSES_ROOT, L"." + config_.regFileExtName,
                                             nullptr) == config_.regKeyName &&
                             command &&
                             command->find(gameProgramPath(target_, config_.programFile)) !=
                                 std::wstring::npos,
                         command.value_or(L"no open command"));
        }
        uninstallKey_ =
            std::wstring(kUninstallKeyParent) + L"\\" + uninstallKeyName(config_.product);
        const auto listed =
            e2e::registryString(HKEY_LOCAL_MACHINE, uninstallKey_, L"UninstallString");
        report_.step(L"listed in the installed programs", listed == uninstallCommand(target_),
                     listed.value_or(L"not listed"));
        return true;
    }

    void uninstall() {
        installer_.reset();
        auto first = ui::Process::start(target_ + L"\\uninstall.exe", L"", target_);
        const std::wstring title = windowTitle();
        auto window = page(L"uninstall", title, 30000);
        if (!first || !window) {
            return;
        }
        const auto copy = ui::Process::open(window->processId());
        shot(L"09-uninstall", *window);
        if (!press(*window, kDeleteAllBox)) {
            return;
        }
        if (auto question = ui::MessageBoxWindow::find(L"", window->processId())) {
            report_.step(L"delete-all asked", answer(*question, IDYES), question->text());
        }
        static_cast<void>(window->waitIdle());
        if (!press(*window, IDOK)) {
            return;
        }
        const bool ended = copy && copy->waitForExit(kLongWait);
        report_.step(L"uninstaller ended", ended);
        installer_.reset();

        size_t left = 0;
        std::wstring example;
        for (const std::wstring& record : records_) {
            const std::wstring path = record.substr(record.find(L':') + 1);
            if (e2e::fileExists(path) || e2e::folderExists(path)) {
                example = example.empty() ? path : example;
                ++left;
            }
        }
        report_.step(L"nothing recorded is left", left == 0,
                     left == 0 ? std::to_wstring(records_.size()) + L" records gone"
                               : std::to_wstring(left) + L" left, such as " + example);
        report_.step(L"the game folder is gone", !e2e::folderExists(target_), target_);
        if (!config_.regFileExtName.empty() && !config_.regKeyName.empty()) {
            report_.step(
                L"file type removed",
                !e2e::registryString(HKEY_CLASSES_ROOT, L"." + config_.regFileExtName, nullptr) &&
                    !e2e::registryString(HKEY_CLASSES_ROOT, config_.regKeyName, nullptr));
        }
        report_.step(L"no longer listed in the installed programs",
                     !e2e::registryString(HKEY_LOCAL_MACHINE, uninstallKey_, L"UninstallString"));
    }

    // The uninstaller's window title, from the uninstall.ini the install wrote.
    std::wstring windowTitle() {
        return IniFile(platform_).getString(L"interface", L"window_title", L"",
                                            target_ + L"\\uninstall.ini");
    }

    bool keyboard_;
    Win32Platform platform_;
    MessageBoxPrompt quiet_{L"journey"};
    Report report_;
    std::wstring reference_;
    std::vector<std::wstring> discs_;
    InstallConfig config_;
    std::optional<ui::Process> installer_;
    std::wstring target_;
    std::set<std::wstring> answered_;
    std::vector<std::wstring> records_;
    std::wstring uninstallKey_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool keyboard = argc > 1 && std::wstring(argv[1]) == L"--keyboard";
    if (keyboard) {
        --argc;
        ++argv;
    }
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: journey.exe [--keyboard] OUTPUT REFERENCE DISC1 [DISC2 ...]\n");
        return 2;
    }
    const ComScope com;
    std::vector<std::wstring> discs(argv + 3, argv + argc);
    Journey journey(argv[1], argv[2], std::move(discs), keyboard);
    return journey.run();
}
