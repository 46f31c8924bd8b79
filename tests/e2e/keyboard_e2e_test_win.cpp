// A whole install with the keyboard alone: every key typed through the
// system's input into the front window, no mouse message and no click sent
// to any control. The agreement is read to its end with Ctrl+End, the folder
// is picked in the path page's tree with the arrows, and the other pages are
// answered with Tab, Enter, Space and a mnemonic.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "tests/e2e/install_support_win.h"

namespace {

using namespace e2e::install_texts;
using ui::KeyStroke;

const int kTreeId = 1000;

std::vector<KeyStroke> repeated(WORD key, int count) {
    return std::vector<KeyStroke>(static_cast<size_t>(count), KeyStroke{key, ui::kNoModifier});
}

class KeyboardScenario : public e2e::InstallScenarioBase {
protected:
    // A licence far longer than its box.
    void writeLongAgreement() {
        std::wstring text;
        for (int i = 1; i <= 300; ++i) {
            text += L"Clause " + std::to_wstring(i) + L" of the licence.\r\n";
        }
        ASSERT_TRUE(e2e::writeFileBytes(medium_ + L"\\CopyRight.txt", e2e::utf16FileBytes(text)));
    }
    void setText(int index, const std::wstring& text) {
        ASSERT_TRUE(WritePrivateProfileStringW(L"restable",
                                               (L"str" + std::to_wstring(index)).c_str(),
                                               text.c_str(), (medium_ + L"\\install.ini").c_str()));
    }
    std::optional<ui::Window> window(const std::wstring& title,
                                     DWORD timeoutMs = ui::kDefaultTimeout) {
        return ui::Window::find({title, false, L"#32770", process_->id()}, timeoutMs);
    }
    // Types the keys and waits until the focus is on control `id`.
    bool focusAfter(const ui::Window& page, const std::vector<KeyStroke>& keys, int id) {
        return ui::typeKeys(page, keys) &&
               ui::waitUntil([&] { return ui::focusedControlId(page) == id; }, 5000);
    }
    void screenshot(const ui::Window& page, const std::wstring& what) {
        const std::wstring folder = e2e::folderFromEnvironment(L"CKV_SCREENSHOTS");
        if (!folder.empty() && e2e::createFolders(folder)) {
            EXPECT_TRUE(page.saveScreenshot(folder + L"\\keyboard-" + what + L".bmp"));
        }
    }
    void TearDown() override {
        if (process_ && process_->isRunning()) {
            process_->terminate();
        }
        InstallScenarioBase::TearDown();
    }

    std::optional<ui::Process> process_;
};

TEST_F(KeyboardScenario, InstallsFromTheAgreementToTheFinishWithKeysAlone) {
    using namespace e2e::controls;
    ASSERT_NO_FATAL_FAILURE(pack(e2e::kSmallGame, L""));
    ASSERT_NO_FATAL_FAILURE(writeLongAgreement());
    ASSERT_NO_FATAL_FAILURE(setText(28, L"&Next"));
    process_ = ui::Process::start(medium_ + L"\\install.exe", medium_, medium_);
    ASSERT_TRUE(process_.has_value());

    // The agreement: the text has the focus and agree waits for its end.
    auto agreement = window(kAgreementTitle);
    ASSERT_TRUE(agreement.has_value()) << "no agreement page";
    ASSERT_TRUE(ui::waitUntil([&] { return ui::focusedControlId(*agreement) == kAgreementText; }))
        << "the text does not have the focus";
    EXPECT_FALSE(agreement->control(kAgreeButton).isEnabled());
    ASSERT_TRUE(ui::typeKeys(*agreement, repeated(VK_NEXT, 3)));
    ASSERT_TRUE(agreement->waitIdle());
    EXPECT_FALSE(agreement->control(kAgreeButton).isEnabled()) << "enabled before the end";
    ASSERT_TRUE(ui::pressKey(*agreement, VK_END, ui::kControl));
    ASSERT_TRUE(ui::waitUntil([&] { return agreement->control(kAgreeButton).isEnabled(); }, 5000))
        << "Ctrl+End to the end of the text left agree disabled";
    ASSERT_TRUE(focusAfter(*agreement, {{VK_TAB}}, kAgreeButton)) << "Tab did not reach agree";
    ASSERT_TRUE(ui::pressKey(*agreement, VK_RETURN));

    // The path page: Tab goes through its controls in reading order.
    auto path = window(kPathTitle);
    ASSERT_TRUE(path.has_value()) << "Enter on agree did not lead to the path page";
    ASSERT_TRUE(ui::waitUntil([&] { return ui::focusedControlId(*path) == kFolderBox; }));
    for (int id : {kTreeId, IDCANCEL, IDOK, kEndButton, kFolderBox}) {
        ASSERT_TRUE(focusAfter(*path, {{VK_TAB}}, id)) << "Tab did not reach control " << id;
    }
    ASSERT_TRUE(focusAfter(*path, {{VK_TAB, ui::kShift}}, kEndButton));
    ASSERT_TRUE(focusAfter(*path, {{VK_TAB}}, kFolderBox));
    ASSERT_TRUE(focusAfter(*path, {{VK_TAB}}, kTreeId));

    // In the tree: My Computer, C:, its folder Installed, the scenario's
    // folder in it, each opened with Right and reached with Down; Enter picks.
    const std::wstring installed = L"C:\\Installed";
    const std::wstring ours = targets_.path().substr(installed.size() + 1);
    const int installedRow = e2e::indexOf(e2e::listedFolders(L"C:"), L"Installed");
    const int oursRow = e2e::indexOf(e2e::listedFolders(installed), ours);
    ASSERT_GE(installedRow, 0);
    ASSERT_GE(oursRow, 0);
    std::vector<KeyStroke> keys = {{VK_DOWN}, {VK_RIGHT}, {VK_RIGHT}, {VK_RIGHT}};
    const auto down = repeated(VK_DOWN, installedRow);
    keys.insert(keys.end(), down.begin(), down.end());
    keys.insert(keys.end(), {{VK_RIGHT}, {VK_RIGHT}});
    const auto downInside = repeated(VK_DOWN, oursRow);
    keys.insert(keys.end(), downInside.begin(), downInside.end());
    ASSERT_TRUE(ui::typeKeys(*path, keys));
    ASSERT_TRUE(path->waitIdle());
    EXPECT_NE(path->control(kFolderBox).text(), targets_.path()) << "moving picked already";
    ASSERT_TRUE(ui::pressKey(*path, VK_RETURN));
    ASSERT_TRUE(
        ui::waitUntil([&] { return path->control(kFolderBox).text() == targets_.path(); }, 5000))
        << "picked " << utf8FromWide(path->control(kFolderBox).text());
    EXPECT_TRUE(path->isVisible()) << "Enter in the tree pressed a button of the page";
    screenshot(*path, L"tree");
    // The mnemonic of "&Next".
    ASSERT_TRUE(ui::pressKey(*path, 'N', ui::kAlt));

    // The package check question: Enter takes its default button, Skip.
    auto confirm = window(kConfirmTitle);
    ASSERT_TRUE(confirm.has_value()) << "Alt+N did not press Next";
    ASSERT_TRUE(confirm->waitIdle());
    ASSERT_TRUE(ui::pressKey(*confirm, VK_RETURN));

    // The finish page: Space unticks the desktop icon, Enter finishes.
    auto finish = window(kFinishTitle, e2e::kInstallTimeout);
    ASSERT_TRUE(finish.has_value()) << "no finish page";
    ASSERT_TRUE(ui::waitUntil([&] { return ui::focusedControlId(*finish) == kDesktopIconBox; }));
    ASSERT_TRUE(finish->control(kDesktopIconBox).isChecked());
    ASSERT_TRUE(ui::pressKey(*finish, VK_SPACE));
    ASSERT_TRUE(ui::waitUntil([&] { return !finish->control(kDesktopIconBox).isChecked(); }));
    ASSERT_TRUE(ui::pressKey(*finish, VK_RETURN));
    ASSERT_TRUE(process_->waitForExit(e2e::kInstallTimeout)) << "Enter did not finish";

    // The game, every file as packed, and its record.
    const std::wstring target = targets_.path();
    EXPECT_EQ(e2e::runMedium(L"verify \"" + medium_ + L"\" \"" + target + L"\""),
              std::optional<DWORD>(0));
    EXPECT_TRUE(e2e::fileExists(target + L"\\uninstall.exe"));
    const auto records = e2e::readUninstallRecords(target + L"\\uninstall.dat");
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front(), L"FOLDER:" + target);
}

}  // namespace
