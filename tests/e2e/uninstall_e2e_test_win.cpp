// Removing the game again, driven as a person would: after a real install of
// a small game, uninstall.exe is started from the game's folder, copies
// itself to the temporary folder, restarts there and shows its window; the
// scenarios tick delete-all, answer its question, start or cancel, and then
// look at the disk and the registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/handles_win.h"
#include "tests/e2e/install_support_win.h"

namespace {

using namespace e2e::controls;
using namespace e2e::install_texts;

// The stage marks of the uninstall window.
constexpr int kStageMarks[] = {1006, 1007, 1008};

// The default uninstall.ini the installer writes.
const std::wstring kWindowTitle = L"Uninstall Varnholt";
const std::wstring kDeleteAllAsk = L"Are you sure you want to delete all files?";
const std::vector<std::pair<int, std::wstring>> kCaptions = {
    {1001, L"Uninstall Progress"},
    {1002, L"Deleting all Files"},
    {1003, L"Deleting all Folders"},
    {1004, L"Deleting Shortcuts"},
    {1005, L"Progress"},
    {kDeleteAllBox, L"Delete all files in the Varnholt Folder"},
    {IDOK, L"OK"},
    {IDCANCEL, L"Cancel"},
};

// The names this scenario's install.ini registers, beside the fixed ones.
const std::wstring kExtension = L"vtp";
const std::wstring kTypeName = L"VarnholtTestPack";

const std::vector<e2e::GameFile> kGame = {
    {L"Game.exe", 40000},
    {L"readme.txt", 0},
    {L"bin\\tool.exe", 20000},
    {L"data\\maps\\one.map", 90000},
};

bool keyExists(const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void createKey(const std::wstring& name, const std::wstring& value) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &created, nullptr),
              ERROR_SUCCESS)
        << utf8FromWide(name);
    const RegKey key(created);
    RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1) * DWORD{sizeof(wchar_t)});
}

// The file type as the finish page registers it, under both pairs of names.
void registerFileTypes(const std::wstring& target) {
    const std::wstring program = target + L"\\Game.exe";
    for (const auto& [extension, type] :
         {std::pair<std::wstring, std::wstring>{L"kupd", L"KVUpdatePack"},
          {kExtension, kTypeName}}) {
        createKey(L"." + extension, type);
        createKey(type, kProduct);
        createKey(type + L"\\DefaultIcon", program + L",0");
        createKey(type + L"\\shell\\open\\command", program + L" \"/localupdate:%1\"");
    }
}

void removeFileTypes() {
    for (const wchar_t* name : {L".kupd", L"KVUpdatePack", L".vtp", L"VarnholtTestPack"}) {
        SHDeleteKeyW(HKEY_CLASSES_ROOT, name);
    }
}

std::vector<std::wstring> fileTypeKeys() {
    return {L".kupd", L"KVUpdatePack\\shell\\open\\command", L"." + kExtension,
            kTypeName + L"\\shell\\open\\command"};
}

void appendRecord(const std::wstring& record, const std::wstring& text) {
    std::vector<uint8_t> bytes = *e2e::readFileBytes(record);
    const size_t at = bytes.size();
    bytes.resize(at + 520, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[at + 2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
        bytes[at + 2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    ASSERT_TRUE(e2e::writeFileBytes(record, bytes));
}

std::wstring desktopFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path);
    return path;
}

std::wstring screenshotPath(const std::wstring& name) {
    return e2e::folderFromEnvironment(L"CKV_SCREENSHOTS") + L"\\" + name + L".bmp";
}

class UninstallScenario : public ::testing::Test {
protected:
    UninstallScenario()
        : root_(L"C:\\media\\" + e2e::currentTestName()),
          medium_(root_.path() + L"\\Disc"),
          game_(root_.path() + L"\\Game Source"),
          targets_(L"C:\\Installed\\" + e2e::currentTestName()),
          programGroup_(L"Install Test " + e2e::currentTestName()) {}

    void SetUp() override {
        ASSERT_TRUE(root_.created());
        ASSERT_TRUE(targets_.created());
        ASSERT_TRUE(e2e::makeGame(game_, kGame, {L"saves"}));
        ASSERT_EQ(e2e::runMedium(L"pack \"" + game_ + L"\" \"" + medium_ + L"\""),
                  std::optional<DWORD>(0))
            << "medium pack failed";
        ASSERT_TRUE(e2e::placeInstaller(medium_, programGroup_, shortcuts_));
        ASSERT_NO_FATAL_FAILURE(nameTheFileType());
        target_ = targets_.path() + L"\\Game";
        group_ = e2e::programsFolder() + L"\\" + programGroup_;
        record_ = target_ + L"\\uninstall.dat";
        {
            e2e::InstallerDriver installer(medium_);
            ASSERT_TRUE(installer.startInstall(target_));
            // The finish page shows once everything after the unpack is done.
            ASSERT_TRUE(installer.window(kFinishTitle, e2e::kInstallTimeout).has_value())
                << "the install did not finish";
        }  // the installer ends here, before its finish page is left
        // What leaving the finish page with the desktop icon ticked adds.
        desktopLink_ = desktopFolder() + L"\\On the desktop.lnk";
        webLink_ = desktopFolder() + L"\\" + kProduct + L".url";
        ASSERT_TRUE(e2e::writeFileBytes(desktopLink_, {'L', 0, 0, 0}));
        ASSERT_TRUE(e2e::writeFileBytes(webLink_, e2e::utf16FileBytes(L"[InternetShortcut]\r\n")));
        ASSERT_NO_FATAL_FAILURE(appendRecord(record_, L"FILE:" + desktopLink_));
        ASSERT_NO_FATAL_FAILURE(appendRecord(record_, L"FILE:" + webLink_));
        ASSERT_NO_FATAL_FAILURE(registerFileTypes(target_));
        // The player's saved game, which the installer never recorded.
        save_ = target_ + L"\\saves\\slot1.sav";
        ASSERT_TRUE(e2e::writeFileBytes(save_, {1, 2, 3}));
    }

    void TearDown() override {
        if (uninstaller_ && uninstaller_->isRunning()) {
            uninstaller_->terminate();
        }
        removeFileTypes();
        DeleteFileW(desktopLink_.c_str());
        DeleteFileW(webLink_.c_str());
        e2e::removeTree(group_);
    }

    // install.ini names its own file type.
    void nameTheFileType() {
        const std::wstring path = medium_ + L"\\install.ini";
        const auto bytes = e2e::readFileBytes(path);
        ASSERT_TRUE(bytes && bytes->size() > 2);
        std::wstring text = wideFromUtf16(utf16FromLeBytes(bytes->data() + 2, bytes->size() - 2));
        const std::wstring setup = L"[setup]\r\n";
        ASSERT_EQ(text.find(setup), 0u);
        text.insert(setup.size(), L"reg_file_ext_name=" + kExtension + L"\r\nreg_key_name=" +
                                      kTypeName + L"\r\n");
        ASSERT_TRUE(e2e::writeFileBytes(path, e2e::utf16FileBytes(text)));
    }

    // Starts uninstall.exe from the game's folder and finds the window of the
    // copy it starts in the temporary folder.
    std::optional<ui::Window> startUninstaller() {
        auto first = ui::Process::start(target_ + L"\\uninstall.exe", L"", target_);
        EXPECT_TRUE(first.has_value());
        if (!first) {
            return std::nullopt;
        }
        EXPECT_TRUE(first->waitForExit()) << "the copy stage did not end";
        auto window = ui::Window::find({kWindowTitle, false, L"#32770", 0});
        EXPECT_TRUE(window.has_value()) << "no uninstall window";
        if (window) {
            uninstaller_ = ui::Process::open(window->processId());
            EXPECT_TRUE(window->waitIdle());
        }
        return window;
    }

    std::vector<std::wstring> recordedPaths() const {
        std::vector<std::wstring> paths;
        for (const std::wstring& text : e2e::readUninstallRecords(record_)) {
            paths.push_back(text.substr(text.find(L':') + 1));
        }
        return paths;
    }

    ComScope com_;
    e2e::ScenarioFolder root_;
    const std::wstring medium_;
    const std::wstring game_;
    e2e::ScenarioFolder targets_;
    const std::wstring programGroup_;
    const std::vector<e2e::ShortcutEntry> shortcuts_ = {
        {L"Play Install Test", L"Game.exe", L"", L""},
        {L"On the desktop", L"Game.exe", L"%desktop%", L""}};
    std::wstring target_;
    std::wstring group_;
    std::wstring record_;
    std::wstring desktopLink_;
    std::wstring webLink_;
    std::wstring save_;
    std::optional<ui::Process> uninstaller_;
};

TEST_F(UninstallScenario, StartRemovesEverythingRecordedAndTheFileTypeButKeepsTheSavedGame) {
    const std::vector<std::wstring> recorded = recordedPaths();
    ASSERT_GE(recorded.size(), 12u);
    const auto datBytes = e2e::readFileBytes(record_);
    const auto iniBytes = e2e::readFileBytes(target_ + L"\\uninstall.ini");
    // The installer handed its registered names over in uninstall.ini.
    wchar_t handed[64] = {};
    GetPrivateProfileStringW(L"registered", L"reg_key_name", L"", handed, 64,
                             (target_ + L"\\uninstall.ini").c_str());
    EXPECT_EQ(std::wstring(handed), kTypeName);

    e2e::PendingFileRenames renames;
    auto window = startUninstaller();
    ASSERT_TRUE(window.has_value());

    // The copy runs from the temporary folder, beside copies of its two files.
    const std::wstring temp = e2e::temporaryFolder();
    const std::wstring image = ui::processImagePath(window->processId());
    EXPECT_EQ(lowerCase(image.substr(0, temp.size())), lowerCase(temp)) << utf8FromWide(image);
    const std::wstring name = image.substr(image.rfind(L'\\') + 1);
    EXPECT_EQ(name.rfind(L"uninstall", 0), 0u) << utf8FromWide(name);
    EXPECT_EQ(name.substr(name.size() - 4), L".exe");
    EXPECT_TRUE(std::all_of(name.begin() + 9, name.end() - 4, iswdigit)) << utf8FromWide(name);
    EXPECT_EQ(e2e::readFileBytes(temp + L"uninstall.dat"), datBytes);
    EXPECT_EQ(e2e::readFileBytes(temp + L"uninstall.ini"), iniBytes);
    if (renames.readable()) {
        std::vector<std::wstring> scheduled;
        for (const std::wstring& path : renames.deletionsSinceStart()) {
            scheduled.push_back(lowerCase(path.substr(path.rfind(L'\\') + 1)));
        }
        EXPECT_EQ(scheduled,
                  (std::vector<std::wstring>{lowerCase(name), L"uninstall.ini", L"uninstall.dat"}));
    }

    // The captions of uninstall.ini, the marks still open, delete-all unticked.
    EXPECT_EQ(window->text(), kWindowTitle);
    for (const auto& [id, caption] : kCaptions) {
        EXPECT_EQ(window->control(id).text(), caption) << id;
    }
    for (int mark : kStageMarks) {
        EXPECT_EQ(window->control(mark).text(), L"\u25CB");
    }
    EXPECT_FALSE(window->control(kDeleteAllBox).isChecked());
    EXPECT_TRUE(window->saveScreenshot(screenshotPath(L"uninstall-before")));

    ASSERT_TRUE(window->control(IDOK).click());
    ASSERT_TRUE(window->waitGone(60000)) << "the window did not close after the removal";
    ASSERT_TRUE(uninstaller_->waitForExit());

    for (const std::wstring& path : recorded) {
        if (path == target_ || path == target_ + L"\\saves") {
            continue;
        }
        EXPECT_FALSE(e2e::fileExists(path) || e2e::folderExists(path)) << utf8FromWide(path);
    }
    EXPECT_FALSE(e2e::folderExists(group_));
    EXPECT_FALSE(e2e::fileExists(desktopLink_));
    EXPECT_FALSE(e2e::fileExists(webLink_));
    for (const wchar_t* key : {L".kupd", L"KVUpdatePack", L".vtp", L"VarnholtTestPack"}) {
        EXPECT_FALSE(keyExists(key)) << utf8FromWide(key);
    }
    // The saved game stays, and the folders that hold it.
    EXPECT_TRUE(e2e::fileExists(save_));
    EXPECT_TRUE(e2e::folderExists(target_));
}

TEST_F(UninstallScenario, DeleteAllAsksOnTickingOnlyAndThenTakesTheSavedGameToo) {
    auto window = startUninstaller();
    ASSERT_TRUE(window.has_value());
    const ui::Control box = window->control(kDeleteAllBox);
    const DWORD process = window->processId();

    // No leaves it unticked.
    ASSERT_TRUE(box.click());
    auto question = ui::MessageBoxWindow::find(kDeleteAllAsk, process);
    ASSERT_TRUE(question.has_value()) << "ticking did not ask";
    EXPECT_EQ(question->text(), kDeleteAllAsk);
    EXPECT_TRUE(question->hasButton(IDYES));
    ASSERT_TRUE(question->press(IDNO));
    ASSERT_TRUE(window->waitIdle());
    EXPECT_FALSE(box.isChecked());

    // Yes ticks it; unticking then asks nothing.
    ASSERT_TRUE(box.click());
    question = ui::MessageBoxWindow::find(kDeleteAllAsk, process);
    ASSERT_TRUE(question.has_value());
    ASSERT_TRUE(question->press(IDYES));
    ASSERT_TRUE(window->waitIdle());
    EXPECT_TRUE(box.isChecked());
    ASSERT_TRUE(box.click());
    ASSERT_TRUE(window->waitIdle());
    EXPECT_TRUE(ui::MessageBoxWindow::list(process).empty()) << "unticking asked";
    EXPECT_FALSE(box.isChecked());

    ASSERT_TRUE(box.click());
    question = ui::MessageBoxWindow::find(kDeleteAllAsk, process);
    ASSERT_TRUE(question.has_value());
    ASSERT_TRUE(question->press(IDYES));
    ASSERT_TRUE(window->waitIdle());
    ASSERT_TRUE(window->control(IDOK).click());
    ASSERT_TRUE(window->waitGone(60000));
    EXPECT_FALSE(e2e::folderExists(target_)) << "the game folder is still there";
    EXPECT_TRUE(e2e::folderExists(targets_.path())) << "more than the game folder went";
    EXPECT_FALSE(e2e::folderExists(group_));
}

TEST_F(UninstallScenario, CancelRightAwayChangesNothing) {
    const std::vector<std::wstring> recorded = recordedPaths();
    auto window = startUninstaller();
    ASSERT_TRUE(window.has_value());
    ASSERT_TRUE(window->control(IDCANCEL).click());
    ASSERT_TRUE(window->waitGone());
    ASSERT_TRUE(uninstaller_->waitForExit());
    for (const std::wstring& path : recorded) {
        EXPECT_TRUE(e2e::fileExists(path) || e2e::folderExists(path)) << utf8FromWide(path);
    }
    EXPECT_TRUE(e2e::fileExists(save_));
    for (const std::wstring& key : fileTypeKeys()) {
        EXPECT_TRUE(keyExists(key)) << utf8FromWide(key);
    }
}

// Without an install: a folder holding the built uninstaller and its files.
class UninstallerAloneScenario : public ::testing::Test {
protected:
    UninstallerAloneScenario() : folder_(L"C:\\Uninstall\\" + e2e::currentTestName()) {}

    void SetUp() override {
        ASSERT_TRUE(folder_.created());
        const auto program =
            e2e::readFileBytes(e2e::folderFromEnvironment(L"CKV_BIN") + L"\\uninstall.exe");
        ASSERT_TRUE(program.has_value());
        ASSERT_TRUE(e2e::writeFileBytes(folder_.file(L"uninstall.exe"), *program));
        ASSERT_TRUE(e2e::writeFileBytes(
            folder_.file(L"uninstall.ini"),
            e2e::utf16FileBytes(L"[interface]\r\nwindow_title=" + kWindowTitle + L"\r\n")));
        ASSERT_NO_FATAL_FAILURE(registerFileTypes(folder_.path()));
    }
    void TearDown() override {
        if (process_ && process_->isRunning()) {
            process_->terminate();
        }
        removeFileTypes();
    }

    e2e::ScenarioFolder folder_;
    std::optional<ui::Process> process_;
};

TEST_F(UninstallerAloneScenario, MissingRecordIsReportedAndNothingIsRemoved) {
    process_ = ui::Process::start(folder_.file(L"uninstall.exe"), L"uninstall", folder_.path());
    ASSERT_TRUE(process_.has_value());
    auto failed = ui::MessageBoxWindow::find(L"Failed to open", process_->id());
    ASSERT_TRUE(failed.has_value());
    EXPECT_EQ(failed->text(), L"Failed to open " + folder_.file(L"uninstall.dat"));
    ASSERT_TRUE(failed->press(IDOK));
    auto cannot = ui::MessageBoxWindow::find(L"Cannot load", process_->id());
    ASSERT_TRUE(cannot.has_value());
    EXPECT_EQ(cannot->text(), L"Cannot load uninstall.ini file!");
    ASSERT_TRUE(cannot->press(IDOK));
    ASSERT_TRUE(process_->waitForExit());
    EXPECT_TRUE(ui::Window::list({kWindowTitle, false, L"#32770", 0}).empty());
    EXPECT_TRUE(e2e::fileExists(folder_.file(L"uninstall.ini")));
    for (const std::wstring& key : fileTypeKeys()) {
        EXPECT_TRUE(keyExists(key)) << utf8FromWide(key);
    }
}

// An install to the root of a drive ("D:", which the path page allows): D:
// is a scratch folder that a ctest fixture maps into the prefix and marks.
// Delete-all must leave every file on the drive that the install did not make.
class DriveRootScenario : public UninstallerAloneScenario {
protected:
    void SetUp() override {
        if (!e2e::fileExists(L"D:\\ckv-scratch-drive")) {
            GTEST_SKIP() << "drive D: is not the scenario's scratch drive";
        }
        UninstallerAloneScenario::SetUp();
    }
    void TearDown() override {
        UninstallerAloneScenario::TearDown();
        // Everything but the marker, whatever the scenario got to.
        for (const wchar_t* name :
             {L"D:\\letter.txt", L"D:\\Photos", L"D:\\Game.exe", L"D:\\data", L"D:\\uninstall.exe",
              L"D:\\uninstall.ini", L"D:\\uninstall.dat"}) {
            e2e::removeTree(name);
        }
    }
};

TEST_F(DriveRootScenario, DeleteAllOfTheRootRemovesOnlyTheGameAndSaysWhy) {
    // The drive's own files, and the game as the installer records it there.
    ASSERT_TRUE(e2e::writeFileBytes(L"D:\\letter.txt", {'h', 'i'}));
    ASSERT_TRUE(e2e::createFolders(L"D:\\Photos"));
    ASSERT_TRUE(e2e::writeFileBytes(L"D:\\Photos\\one.jpg", {1}));
    ASSERT_TRUE(e2e::createFolders(L"D:\\data"));
    ASSERT_TRUE(e2e::writeFileBytes(L"D:\\Game.exe", {2}));
    ASSERT_TRUE(e2e::writeFileBytes(L"D:\\data\\one.map", {3}));
    for (const wchar_t* name : {L"uninstall.exe", L"uninstall.ini"}) {
        ASSERT_TRUE(e2e::writeFileBytes(std::wstring(L"D:\\") + name,
                                        *e2e::readFileBytes(folder_.file(name))));
    }
    ASSERT_TRUE(e2e::writeFileBytes(L"D:\\uninstall.dat", {}));
    for (const wchar_t* text : {L"FOLDER:D:", L"FILE:D:\\uninstall.ini", L"FILE:D:\\uninstall.exe",
                                L"FILE:D:\\uninstall.dat", L"FILE:D:\\Game.exe", L"FOLDER:D:\\data",
                                L"FILE:D:\\data\\one.map"}) {
        ASSERT_NO_FATAL_FAILURE(appendRecord(L"D:\\uninstall.dat", text));
    }

    auto first = ui::Process::start(L"D:\\uninstall.exe", L"", L"D:\\");
    ASSERT_TRUE(first.has_value());
    ASSERT_TRUE(first->waitForExit());
    auto window = ui::Window::find({kWindowTitle, false, L"#32770", 0});
    ASSERT_TRUE(window.has_value());
    process_ = ui::Process::open(window->processId());
    ASSERT_TRUE(window->control(kDeleteAllBox).click());
    auto question = ui::MessageBoxWindow::find(L"", window->processId());
    ASSERT_TRUE(question.has_value());
    ASSERT_TRUE(question->press(IDYES));
    ASSERT_TRUE(window->waitIdle());
    ASSERT_TRUE(window->control(IDOK).click());

    // The removal is done when the refusal is shown: every mark is set and
    // the bar is full.
    auto refusal = ui::MessageBoxWindow::find(L"was not emptied", window->processId(), 60000);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->text().rfind(L"D: was not emptied: it is a drive root", 0), 0u)
        << utf8FromWide(refusal->text());
    for (int mark : kStageMarks) {
        EXPECT_EQ(window->control(mark).text(), L"\u25CF");
    }
    const auto position = window->control(kProgressBar).handle();
    EXPECT_EQ(SendMessageW(position, PBM_GETPOS, 0, 0), 7);
    EXPECT_TRUE(window->saveScreenshot(screenshotPath(L"uninstall-after")));
    ASSERT_TRUE(refusal->press(IDOK));
    ASSERT_TRUE(window->waitGone());

    for (const wchar_t* gone : {L"D:\\Game.exe", L"D:\\data", L"D:\\uninstall.exe",
                                L"D:\\uninstall.ini", L"D:\\uninstall.dat"}) {
        EXPECT_FALSE(e2e::fileExists(gone) || e2e::folderExists(gone)) << utf8FromWide(gone);
    }
    EXPECT_TRUE(e2e::fileExists(L"D:\\letter.txt"));
    EXPECT_TRUE(e2e::fileExists(L"D:\\Photos\\one.jpg"));
    for (const wchar_t* key : {L".kupd", L"KVUpdatePack"}) {
        EXPECT_FALSE(keyExists(key)) << utf8FromWide(key);
    }
}

}  // namespace
