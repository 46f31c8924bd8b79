// Installs that do not go through: a missing next disc (found again, or given
// up), a cancel in the middle of a large file, a target disk that runs out of
// space and a damaged package. Each ends either complete or undone, and the
// scenarios check the disk for what the installer left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/win/handles_win.h"
#include "tests/e2e/install_support_win.h"

namespace {

using namespace e2e::install_texts;

// Layout 132 (install page) and the message of a damaged chunk.
constexpr int kCancelButton = 1006;
constexpr int kOverallPercent = 1009;
// Layout 147 (next-disc prompt).
constexpr int kFolderBox = 1001;
const std::wstring kUncompressFailed = L"Failed to uncompress zip data!";

using e2e::kInstallTimeout;

constexpr size_t kMiB = size_t{1} << 20;

std::string narrow(const std::wstring& text) {
    return utf8FromWide(text);
}

const std::vector<e2e::GameFile>& kGame = e2e::kSmallGame;

std::wstring nextDiscCaption(int package) {
    std::wstring caption = kNextDiscTitle;
    caption.replace(caption.find(L"%d"), 2, std::to_wstring(package));
    return caption;
}

// The names in a folder, without "." and "..".
std::vector<std::wstring> folderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// The whole number at the start of the overall label ("37% done").
std::optional<int> shownPercent(const ui::Window& page) {
    const std::wstring text = page.control(kOverallPercent).text();
    if (text.empty() || !std::iswdigit(text[0])) {
        return std::nullopt;
    }
    return std::stoi(text);
}

size_t rowBytes(LONG width) {
    return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
}

// A background picture of one colour.
std::vector<uint8_t> plainPicture(LONG width, LONG height, COLORREF colour) {
    std::vector<uint8_t> rows(rowBytes(width) * static_cast<size_t>(height));
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x) {
            uint8_t* pixel = &rows[rowBytes(width) * y + 3 * x];
            pixel[0] = GetBValue(colour);
            pixel[1] = GetGValue(colour);
            pixel[2] = GetRValue(colour);
        }
    }
    return ui::bitmapFile(rows, width, height);
}

std::wstring recordPath(const std::wstring& record) {
    const size_t colon = record.find(L':');
    return colon == std::wstring::npos ? std::wstring() : record.substr(colon + 1);
}

class InstallFailureScenario : public e2e::InstallScenarioBase {
protected:
    InstallFailureScenario() : elsewhere_(root_.path() + L"\\Elsewhere") {
        shortcuts_ = {{L"Play Install Test", L"Game.exe", L"", L""}};
    }

    // The second disc is somewhere the installer does not look.
    void takeAwaySecondPackage() {
        ASSERT_TRUE(e2e::fileExists(medium_ + L"\\data2.pck")) << "the medium has one package";
        ASSERT_TRUE(e2e::createFolders(elsewhere_));
        ASSERT_TRUE(
            MoveFileW((medium_ + L"\\data2.pck").c_str(), (elsewhere_ + L"\\data2.pck").c_str()));
    }

    // The undo has run through: the record's first file, removed last of all,
    // is gone and the undo window has been hidden again.
    static bool undoEnded(e2e::InstallerDriver& installer, const std::wstring& target) {
        return !e2e::fileExists(target + L"\\uninstall.ini") && !installer.visible(kUndoTitle);
    }

    // Where a screenshot goes; empty when there is no folder for them.
    static std::wstring screenshotPath(const std::wstring& what) {
        const std::wstring folder = e2e::folderFromEnvironment(L"CKV_SCREENSHOTS");
        if (folder.empty() || !e2e::createFolders(folder)) {
            return L"";
        }
        return folder + L"\\install-failure-" + e2e::currentTestName() + L"-" + what + L".bmp";
    }

    // Starts an install of a game with one large file into `target`, waits
    // until the install page shows at least `percent`, presses its cancel
    // button and answers the question with Yes. Answers the uninstall record
    // as it was while the question was up.
    void cancelLargeInstall(e2e::InstallerDriver& installer, const std::wstring& target,
                            int percent, bool takeScreenshot,
                            std::vector<std::wstring>& recordsAtCancel) {
        ASSERT_TRUE(installer.startInstall(target));
        const auto& page = installer.progressPage();
        ASSERT_TRUE(page.has_value()) << "no install page";
        ASSERT_TRUE(ui::waitUntil(
            [&] {
                const auto shown = shownPercent(*page);
                return shown && *shown >= percent;
            },
            kInstallTimeout))
            << "the install page showed no progress: "
            << narrow(page->control(kOverallPercent).text());
        if (takeScreenshot) {
            // The page over the background picture, as the user sees it.
            const std::wstring path = screenshotPath(L"progress");
            EXPECT_TRUE(path.empty() || ui::saveScreenNow(path)) << narrow(path);
        }
        const auto shown = shownPercent(*page);
        ASSERT_TRUE(shown.has_value());
        ASSERT_LT(*shown, 100) << "the install was over before it could be cancelled";
        ASSERT_TRUE(page->control(kCancelButton).click());
        const auto question = ui::MessageBoxWindow::find(kCancelQuestion, installer.process().id());
        ASSERT_TRUE(question.has_value()) << "no question after the cancel button";
        EXPECT_EQ(question->text(), kCancelQuestion);
        EXPECT_TRUE(question->hasButton(IDYES));
        EXPECT_TRUE(question->hasButton(IDNO));
        recordsAtCancel = e2e::readUninstallRecords(target + L"\\uninstall.dat");
        ASSERT_TRUE(question->press(IDYES));
        ASSERT_TRUE(ui::waitUntil([&] { return undoEnded(installer, target); }, kInstallTimeout))
            << "the undo did not end";
    }

    const std::wstring elsewhere_;
};

TEST_F(InstallFailureScenario, NextDiscPromptGoesAwayWhenThePackageIsPutBack) {
    ASSERT_NO_FATAL_FAILURE(pack(kGame, L"--disc-size 1M --chunk-size 256K"));
    ASSERT_NO_FATAL_FAILURE(takeAwaySecondPackage());
    const std::wstring target = targets_.path() + L"\\Game";
    e2e::InstallerDriver installer(medium_);
    ASSERT_TRUE(installer.startInstall(target));

    const auto prompt = installer.window(nextDiscCaption(2), kInstallTimeout);
    ASSERT_TRUE(prompt.has_value()) << "no prompt for disc 2";
    ASSERT_TRUE(prompt->waitIdle());
    EXPECT_EQ(prompt->control(kFolderBox).text(), medium_ + L"\\");
    const std::wstring picture = screenshotPath(L"next-disc");
    EXPECT_TRUE(picture.empty() || prompt->saveScreenshot(picture)) << narrow(picture);

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
        kInstallTimeout))
        << "the install did not finish";
    EXPECT_FALSE(installer.visible(nextDiscCaption(2)));
    EXPECT_FALSE(installer.visible(kUndoTitle));
    EXPECT_EQ(e2e::runMedium(L"verify \"" + medium_ + L"\" \"" + target + L"\""),
              std::optional<DWORD>(0));
}

TEST_F(InstallFailureScenario, NextDiscPromptCancelledUndoesTheInstall) {
    ASSERT_NO_FATAL_FAILURE(pack(kGame, L"--disc-size 1M --chunk-size 256K"));
    ASSERT_NO_FATAL_FAILURE(takeAwaySecondPackage());
    const std::wstring target = targets_.path() + L"\\Game";
    e2e::InstallerDriver installer(medium_);
    ASSERT_TRUE(installer.startInstall(target));
    const DWORD process = installer.process().id();

    const auto prompt = installer.window(nextDiscCaption(2), kInstallTimeout);
    ASSERT_TRUE(prompt.has_value()) << "no prompt for disc 2";
    ASSERT_TRUE(prompt->waitIdle());

    // No: the prompt stays and the install waits on.
    ASSERT_TRUE(prompt->control(IDCANCEL).click());
    auto question = ui::MessageBoxWindow::find(kCancelQuestion, process);
    ASSERT_TRUE(question.has_value()) << "no question after Cancel";
    EXPECT_EQ(question->text(), kCancelQuestion);
    EXPECT_TRUE(question->hasButton(IDYES));
    EXPECT_TRUE(question->hasButton(IDNO));
    ASSERT_TRUE(question->press(IDNO));
    // The reader polls the prompt every second; two polls later it still waits.
    EXPECT_FALSE(ui::waitUntil([&] { return !prompt->isVisible(); }, 2500))
        << "the prompt went away after No";
    EXPECT_TRUE(e2e::fileExists(target + L"\\uninstall.dat"));
    EXPECT_FALSE(installer.visible(kUndoTitle));

    // Yes: the install gives up and is undone.
    ASSERT_TRUE(prompt->control(IDCANCEL).click());
    question = ui::MessageBoxWindow::find(kCancelQuestion, process);
    ASSERT_TRUE(question.has_value()) << "no question after the second Cancel";
    ASSERT_TRUE(question->press(IDYES));
    EXPECT_TRUE(ui::waitUntil([&] { return !prompt->isVisible(); })) << "the prompt stayed";
    ASSERT_TRUE(ui::waitUntil([&] { return undoEnded(installer, target); }, kInstallTimeout))
        << "the undo did not end";
    // The install made the target folder; nothing of it is left.
    EXPECT_FALSE(e2e::folderExists(target));
    EXPECT_EQ(folderEntries(targets_.path()), std::vector<std::wstring>{});
    EXPECT_FALSE(e2e::folderExists(e2e::programsFolder() + L"\\" + programGroup_));
    EXPECT_TRUE(ui::MessageBoxWindow::list(process).empty());
}

// Many small chunks in one large file, so that a cancel lands inside it.
const std::vector<e2e::GameFile> kLargeGame = {
    {L"Game.exe", 150000},
    {L"movies\\intro.bin", 48 * kMiB},
    {L"readme.txt", 3000},
};

TEST_F(InstallFailureScenario, CancelInALargeFileRemovesWhatWasInstalled) {
    ASSERT_NO_FATAL_FAILURE(pack(kLargeGame, L"--chunk-size 64K"));
    // Two background pictures: the second follows at half way.
    ASSERT_TRUE(e2e::writeFileBytes(medium_ + L"\\setup0.bmp",
                                    plainPicture(320, 240, RGB(0x1b, 0x3a, 0x5c))));
    ASSERT_TRUE(e2e::writeFileBytes(medium_ + L"\\setup1.bmp",
                                    plainPicture(320, 240, RGB(0x28, 0x6e, 0x46))));
    // A parent folder that the install makes on the way; not recorded.
    const std::wstring parent = targets_.path() + L"\\New Parent";
    const std::wstring target = parent + L"\\Game";
    ASSERT_FALSE(e2e::folderExists(parent));
    e2e::InstallerDriver installer(medium_);
    std::vector<std::wstring> records;
    ASSERT_NO_FATAL_FAILURE(cancelLargeInstall(installer, target, 40, true, records));

    // The cancel came while the large file was being written.
    ASSERT_GE(records.size(), 4u);
    EXPECT_NE(std::find(records.begin(), records.end(), L"FILE:" + target + L"\\movies\\intro.bin"),
              records.end());
    for (const std::wstring& record : records) {
        const std::wstring path = recordPath(record);
        EXPECT_FALSE(e2e::fileExists(path) || e2e::folderExists(path)) << narrow(record);
    }
    EXPECT_FALSE(e2e::folderExists(target));
    EXPECT_TRUE(e2e::folderExists(parent));
    EXPECT_EQ(folderEntries(parent), std::vector<std::wstring>{});
    EXPECT_FALSE(e2e::folderExists(e2e::programsFolder() + L"\\" + programGroup_));
}

TEST_F(InstallFailureScenario, CancelKeepsWhatTheTargetFolderHeldBefore) {
    ASSERT_NO_FATAL_FAILURE(pack(kLargeGame, L"--chunk-size 64K"));
    const std::wstring target = targets_.path() + L"\\Game";
    const std::vector<uint8_t> mine = {'m', 'y', ' ', 'n', 'o', 't', 'e', 's'};
    ASSERT_TRUE(e2e::createFolders(target));
    ASSERT_TRUE(e2e::writeFileBytes(target + L"\\mine.txt", mine));
    e2e::InstallerDriver installer(medium_);
    std::vector<std::wstring> records;
    ASSERT_NO_FATAL_FAILURE(cancelLargeInstall(installer, target, 10, false, records));

    // The folder was there before: it is recorded, but keeps the user's file.
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records[0], L"FOLDER:" + target);
    EXPECT_EQ(folderEntries(target), std::vector<std::wstring>{L"mine.txt"});
    EXPECT_EQ(e2e::readFileBytes(target + L"\\mine.txt"), std::optional(mine));
}

TEST_F(InstallFailureScenario, FullTargetDiskStopsAndUndoesTheInstall) {
    // Drive T: is a small tmpfs that ctest's fixture maps into the prefix.
    const std::wstring drive = L"T:\\";
    ULARGE_INTEGER available{};
    const UINT type = GetDriveTypeW(drive.c_str());
    if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR ||
        !GetDiskFreeSpaceExW(drive.c_str(), &available, nullptr, nullptr)) {
        GTEST_SKIP() << "the small drive T: could not be mounted (see the output of "
                        "install_failure_small_drive_setup)";
    }
    ASSERT_LE(available.QuadPart, 16 * kMiB) << "T: is not the small drive";
    ASSERT_EQ(folderEntries(drive.substr(0, 2)), std::vector<std::wstring>{}) << "T: is not empty";

    // The path page wants the game's size plus 10 bytes free, while the
    // unpack asks about a full disk as soon as less than a chunk plus 1 MiB
    // is left. A game half a megabyte smaller than the free space passes the
    // first rule and trips the second well inside its large file, the more so
    // as the uninstaller (about 2 MiB) is written first. No filler file is
    // needed, and so no race with the install.
    const size_t gameSize = static_cast<size_t>(available.QuadPart) - kMiB / 2;
    ASSERT_NO_FATAL_FAILURE(pack({{L"Game.exe", 100000}, {L"data\\world.dat", gameSize - 100000}},
                                 L"--chunk-size 64K"));
    const std::wstring target = L"T:\\Game";
    e2e::InstallerDriver installer(medium_);
    ASSERT_TRUE(installer.startInstall(target));

    const auto question =
        ui::MessageBoxWindow::find(kDiskFullQuestion, installer.process().id(), kInstallTimeout);
    ASSERT_TRUE(question.has_value()) << "no question about the full disk";
    EXPECT_EQ(question->text(), kDiskFullQuestion);
    EXPECT_TRUE(question->hasButton(IDYES));
    EXPECT_TRUE(question->hasButton(IDNO));
    EXPECT_TRUE(e2e::fileExists(target + L"\\data\\world.dat"));
    ASSERT_TRUE(question->press(IDNO));

    ASSERT_TRUE(ui::waitUntil([&] { return undoEnded(installer, target); }, kInstallTimeout))
        << "the undo did not end";
    EXPECT_FALSE(e2e::folderExists(target));
    EXPECT_EQ(folderEntries(L"T:"), std::vector<std::wstring>{});
    EXPECT_FALSE(e2e::folderExists(e2e::programsFolder() + L"\\" + programGroup_));
}

TEST_F(InstallFailureScenario, DamagedChunkIsReportedAndUndone) {
    ASSERT_NO_FATAL_FAILURE(pack(kGame, L"--disc-size 1M --chunk-size 256K"));
    // data2.pck goes on with a chunk header (u32 compressed size, u32 size):
    // flip bytes in the middle of that chunk's compressed data.
    const std::wstring second = medium_ + L"\\data2.pck";
    auto bytes = e2e::readFileBytes(second);
    ASSERT_TRUE(bytes.has_value());
    ASSERT_GT(bytes->size(), 8u);
    const size_t compressed = (*bytes)[0] | ((*bytes)[1] << 8) | ((*bytes)[2] << 16) |
                              (static_cast<size_t>((*bytes)[3]) << 24);
    ASSERT_GE(compressed, 64u);
    ASSERT_LE(8 + compressed, bytes->size());
    for (size_t i = 8 + compressed / 2; i < 8 + compressed / 2 + 32; ++i) {
        (*bytes)[i] ^= 0x5A;
    }
    ASSERT_TRUE(e2e::writeFileBytes(second, *bytes));

    const std::wstring target = targets_.path() + L"\\Game";
    e2e::InstallerDriver installer(medium_);
    ASSERT_TRUE(installer.startInstall(target));
    const auto message =
        ui::MessageBoxWindow::find(kUncompressFailed, installer.process().id(), kInstallTimeout);
    ASSERT_TRUE(message.has_value()) << "no message about the damaged chunk";
    EXPECT_EQ(message->text(), kUncompressFailed);
    EXPECT_TRUE(message->hasButton(IDOK));
    EXPECT_FALSE(message->hasButton(IDCANCEL));
    EXPECT_FALSE(message->hasButton(IDNO));
    // Everything before the damaged chunk was written; the undo takes it away.
    EXPECT_TRUE(e2e::fileExists(target + L"\\Game.exe"));
    ASSERT_TRUE(message->press(IDOK));

    ASSERT_TRUE(ui::waitUntil([&] { return undoEnded(installer, target); }, kInstallTimeout))
        << "the undo did not end";
    EXPECT_FALSE(e2e::folderExists(target));
    EXPECT_EQ(folderEntries(targets_.path()), std::vector<std::wstring>{});
    EXPECT_FALSE(e2e::folderExists(e2e::programsFolder() + L"\\" + programGroup_));
}

}  // namespace
