// An install whose next disc is missing goes on by itself once the package is
// put back where the prompt looks, and finishes as if nothing had happened.
// (Installs that fail or are cancelled, and their undo, are rows of the fault
// suite, faults_e2e_test_win.cpp.)
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "common/text.h"
#include "tests/e2e/install_support_win.h"

namespace {

using namespace e2e::controls;
using namespace e2e::install_texts;

class InstallFailureScenario : public e2e::InstallScenarioBase {
protected:
    InstallFailureScenario() : elsewhere_(root_.path() + L"\\Elsewhere") {
        shortcuts_ = {{L"Play Install Test", L"Game.exe", L"", L""}};
    }

    // Where a screenshot goes; empty when there is no folder for them.
    static std::wstring screenshotPath(const std::wstring& what) {
        const std::wstring folder = e2e::folderFromEnvironment(L"CKV_SCREENSHOTS");
        if (folder.empty() || !e2e::createFolders(folder)) {
            return L"";
        }
        return folder + L"\\install-failure-" + e2e::currentTestName() + L"-" + what + L".bmp";
    }

    const std::wstring elsewhere_;
};

TEST_F(InstallFailureScenario, NextDiscPromptGoesAwayWhenThePackageIsPutBack) {
    ASSERT_NO_FATAL_FAILURE(pack(e2e::kSmallGame, L"--disc-size 1M --chunk-size 256K"));
    ASSERT_TRUE(e2e::takeAwayPackage(medium_, 2, elsewhere_));
    const std::wstring target = targets_.path() + L"\\Game";
    e2e::InstallerDriver installer(medium_);
    ASSERT_TRUE(installer.startInstall(target));

    const auto prompt =
        installer.window(fillIntegerFormat(kNextDiscTitle, 2), e2e::kInstallTimeout);
    ASSERT_TRUE(prompt.has_value()) << "no prompt for disc 2";
    ASSERT_TRUE(prompt->waitIdle());
    EXPECT_EQ(prompt->control(kFolderBox).text(), medium_ + L"\\");
    const std::wstring picture = screenshotPath(L"next-disc");
    EXPECT_TRUE(picture.empty() || prompt->saveScreenshot(picture)) << utf8FromWide(picture);

    // The reader looks for the package every second: putting it back is enough.
    ASSERT_TRUE(
        MoveFileW((elsewhere_ + L"\\data2.pck").c_str(), (medium_ + L"\\data2.pck").c_str()));
    EXPECT_TRUE(ui::waitUntil([&] { return !prompt->isVisible(); })) << "the prompt stayed";

    const std::wstring group = e2e::programsFolder() + L"\\" + programGroup_;
    const std::wstring record = target + L"\\uninstall.dat";
    ASSERT_TRUE(ui::waitUntil(
        [&] {
            const auto records = e2e::readUninstallRecords(record);
            return !records.empty() &&
                   records.back() == L"FILE:" + group + L"\\Play Install Test.lnk";
        },
        e2e::kInstallTimeout))
        << "the install did not finish";
    EXPECT_FALSE(installer.visible(fillIntegerFormat(kNextDiscTitle, 2)));
    EXPECT_FALSE(installer.visible(kUndoTitle));
    EXPECT_EQ(e2e::runMedium(L"verify \"" + medium_ + L"\" \"" + target + L"\""),
              std::optional<DWORD>(0));
}

}  // namespace
