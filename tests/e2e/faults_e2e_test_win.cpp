// Faults under which the installer and the uninstaller must still leave the
// machine as the player had it: a cancel on each page, damaged, truncated
// and missing packages, a full disk, wrong package digests, files the install
// may not replace, a package entry that climbs out of the target folder, a
// verification that finds a changed file, and the uninstaller run twice,
// after half of the game was deleted by hand or while the game runs.
//
// Each row of the table names the medium it packs, drives the fault as a
// person would (answering every message) and says what stays beyond what was
// there before. One check then holds the machine against what it was before
// the row began: the scenario's folders, the program group and the game's
// entry in the list of installed programs, with nothing set aside and no
// installer or uninstaller left running.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cwctype>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "common/formats.h"
#include "common/text.h"
#include "common/win/handles_win.h"
#include "tests/e2e/install_support_win.h"
#include "tests/support/package_builder.h"

namespace {

using namespace e2e::controls;
using e2e::kInstallTimeout;
using namespace e2e::install_texts;

constexpr size_t kMiB = size_t{1} << 20;
const std::wstring kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kProduct;

bool endsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What a row packs: a game, and the built program that stands in for its
// Game.exe, if any.
struct Medium {
    std::vector<e2e::GameFile> files;
    std::wstring options;
    std::wstring program;
};

const Medium kOneDisc{e2e::kSmallGame, L"", L""};
const Medium kDiscs{e2e::kSmallGame, L"--disc-size 1M --chunk-size 256K", L""};
// A large first and a large last file in small chunks: time to cancel in each.
const Medium kLargeFiles{
    {{L"Game.exe", 16 * kMiB}, {L"readme.txt", 3000}, {L"videos\\intro.bin", 16 * kMiB}},
    L"--chunk-size 64K",
    L""};
// The sample game as the game's program: it leaves started.txt beside itself.
const Medium kPlayable{e2e::kSmallGame, L"", L"Varnholt.exe"};
// A game whose program runs until it is closed.
const Medium kGameThatRuns{e2e::kSmallGame, L"", L"ui_driver_fixture.exe"};
const std::wstring kGameWindow = L"Driver Fixture";

class Fault;

struct Row {
    using Step = void (*)(Fault&);
    Row(const char* rowName, const Medium* rowMedium, const char* rowOutcome,
        std::vector<std::wstring> rowStays, Step rowPrepare, Step rowDrive)
        : name(rowName),
          medium(rowMedium),
          outcome(rowOutcome),
          stays(std::move(rowStays)),
          prepare(rowPrepare),
          drive(rowDrive) {}

    const char* name;
    // Packed before `prepare`; none when `prepare` packs.
    const Medium* medium;
    const char* outcome;
    // Beyond what was there before: paths below the scenario's targets
    // folder that stay.
    std::vector<std::wstring> stays;
    // What the medium and the machine hold before the run; may be none.
    Step prepare;
    // The fault and the answers, up to the end of the programs it started.
    Step drive;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

// Installer and uninstaller processes: install.exe, and the uninstaller's
// first stages and copies (uninstall.exe, uninstallNNN.exe).
std::vector<std::wstring> installerProcesses() {
    std::vector<std::wstring> names;
    for (const ui::ProcessEntry& process : ui::listProcesses()) {
        const std::wstring name = lowerCase(process.imageName);
        if (name == L"install.exe" ||
            (name.rfind(L"uninstall", 0) == 0 && endsWith(name, L".exe"))) {
            names.push_back(process.imageName);
        }
    }
    return names;
}

// The values of the game's entry in the list of installed programs, as text.
std::map<std::wstring, std::wstring> uninstallEntry() {
    std::map<std::wstring, std::wstring> values;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str(), 0, KEY_READ, &opened) !=
        ERROR_SUCCESS) {
        return values;
    }
    const RegKey key(opened);
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD nameLength = 256;
        BYTE data[2048] = {};
        DWORD size = sizeof(data) - sizeof(wchar_t);
        DWORD type = 0;
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, data, &size) !=
            ERROR_SUCCESS) {
            return values;
        }
        values[name] = type == REG_SZ      ? std::wstring(reinterpret_cast<const wchar_t*>(data))
                       : type == REG_DWORD ? std::to_wstring(*reinterpret_cast<const DWORD*>(data))
                                           : std::to_wstring(size) + L" bytes";
    }
}

// A package of the row's own in place of the medium's first one.
void putFirstPackage(const std::wstring& medium, const PackageBuilder& builder) {
    const std::string package = builder.build().front();
    ASSERT_TRUE(e2e::writeFileBytes(medium + L"\\data1.pck", {package.begin(), package.end()}));
}

// What differs between two pictures of the machine, a line each.
std::string differences(const std::map<std::wstring, std::wstring>& expected,
                        const std::map<std::wstring, std::wstring>& found) {
    std::string text;
    for (const auto& [path, what] : expected) {
        const auto it = found.find(path);
        if (it == found.end()) {
            text += "missing: " + utf8FromWide(path) + "\n";
        } else if (it->second != what) {
            text += "changed: " + utf8FromWide(path) + " (" + utf8FromWide(it->second) + ")\n";
        }
    }
    for (const auto& [path, what] : found) {
        if (expected.count(path) == 0) {
            text += "left behind: " + utf8FromWide(path) + "\n";
        }
    }
    return text;
}

class Fault : public e2e::InstallScenarioBase, public ::testing::WithParamInterface<Row> {
public:
    using InstallScenarioBase::medium_;
    using InstallScenarioBase::pack;
    using InstallScenarioBase::root_;
    using InstallScenarioBase::targets_;

    Fault() : target_(targets_.path() + L"\\Game"), watched_{targets_.path()} {
        shortcuts_ = {{L"Play Install Test", L"Game.exe", L"", L""}};
    }

    void SetUp() override {
        InstallScenarioBase::SetUp();
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str());
    }
    void TearDown() override {
        if (running_ && running_->isRunning()) {
            running_->terminate();
        }
        held_.reset();
        if (target_.rfind(L"T:", 0) == 0) {
            e2e::removeTree(target_);
        }
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey.c_str());
        InstallScenarioBase::TearDown();
    }

    void packMedium(const Medium& medium) {
        ASSERT_TRUE(e2e::makeGame(game_, medium.files));
        if (!medium.program.empty()) {
            const auto program =
                e2e::readFileBytes(e2e::folderFromEnvironment(L"CKV_BIN") + L"\\" + medium.program);
            ASSERT_TRUE(program.has_value()) << utf8FromWide(medium.program);
            ASSERT_TRUE(e2e::writeFileBytes(game_ + L"\\Game.exe", *program));
        }
        ASSERT_NO_FATAL_FAILURE(packGame(medium.options));
    }

    std::wstring group() const { return e2e::programsFolder() + L"\\" + programGroup_; }

    // The machine as far as a row can change it.
    std::map<std::wstring, std::wstring> machine() const {
        std::map<std::wstring, std::wstring> seen;
        for (const std::wstring& folder : watched_) {
            for (const auto& [path, what] : e2e::treeSnapshot(folder)) {
                seen[folder + L"\\" + path] = what;
            }
        }
        if (e2e::folderExists(group())) {
            seen[group()] = L"<folder>";
            for (const auto& [path, what] : e2e::treeSnapshot(group())) {
                seen[group() + L"\\" + path] = what;
            }
        }
        for (const auto& [name, value] : uninstallEntry()) {
            seen[L"HKLM\\" + kUninstallKey + L"\\" + name] = value;
        }
        return seen;
    }

    // The one check every row ends with.
    void expectOnlyWhatStays(const Row& row) {
        // A removal still running could change the disk under the look.
        std::vector<std::wstring> running;
        ui::waitUntil(
            [&] {
                running = installerProcesses();
                return running.empty();
            },
            kInstallTimeout);
        EXPECT_EQ(running, std::vector<std::wstring>{}) << "still running";
        const auto after = machine();
        auto expected = before_;
        std::wstring kept;
        for (const std::wstring& path : row.stays) {
            const std::wstring full = targets_.path() + L"\\" + path;
            expected[full] = after.count(full) != 0 ? after.at(full) : L"<stays>";
            kept += (kept.empty() ? L"; kept: " : L", ") + path;
        }
        EXPECT_EQ(differences(expected, after), "");
        const auto setAside = std::count_if(after.begin(), after.end(), [](const auto& item) {
            return item.first.find(L".ckvold") != std::wstring::npos;
        });
        EXPECT_EQ(setAside, 0);

        if (HasFailure()) {
            std::printf("[fault] %s: FAILED, see above\n", row.name);
            std::fflush(stdout);
            return;
        }
        const bool targetBefore = before_.count(target_) != 0;
        const bool entryBefore = before_.count(L"HKLM\\" + kUninstallKey + L"\\DisplayName") != 0;
        std::printf(
            "[fault] %s: %s; target folder %s; program group %s; nothing set aside; %s; "
            "no installer or uninstaller running%s\n",
            row.name, row.outcome,
            targetBefore                ? "as it was"
            : after.count(target_) != 0 ? "holds only what stays"
                                        : "gone",
            before_.count(group()) != 0 ? "as it was" : "gone",
            entryBefore ? "uninstall entry as it was" : "no uninstall entry",
            utf8FromWide(kept).c_str());
        std::fflush(stdout);
    }

    // The message of the installer holding `text`: it says exactly that, has
    // Yes and No where a question is answered, and gets `button`.
    void answer(const std::wstring& text, int button) {
        const auto box =
            ui::MessageBoxWindow::find(text, installer_.process().id(), kInstallTimeout);
        ASSERT_TRUE(box.has_value()) << "no message " << utf8FromWide(text);
        EXPECT_EQ(box->text(), text);
        EXPECT_EQ(box->hasButton(IDNO), button != IDOK);
        ASSERT_TRUE(box->press(button));
    }

    // The install has failed: the messages it shows then, and the finish page.
    void expectFailure(const std::vector<std::wstring>& messages) {
        const auto shown = installer_.finishFailed();
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(*shown, messages);
    }

    // The package check finds package `number` damaged: the installer ends.
    void failThePackageCheck(int number) {
        static_cast<void>(installer_.startCheckedInstall(target_));
        ASSERT_NO_FATAL_FAILURE(answer(fillIntegerFormat(kPackageDamaged, number), IDOK));
        expectEnded();
    }

    void expectEnded() {
        EXPECT_TRUE(installer_.process().waitForExit(kInstallTimeout)) << "the installer went on";
    }

    // Starts the install and cancels it once `file` of the target has at
    // least `atLeast` of its `size` bytes and is not yet whole.
    void cancelInstallWithin(const std::wstring& file, uint64_t size, double atLeast,
                             e2e::CancelBy by = e2e::CancelBy::Button) {
        ASSERT_TRUE(installer_.startInstall(target_));
        ASSERT_TRUE(installer_.cancelWhileWriting(target_ + L"\\" + file, size, atLeast, by));
        ASSERT_NO_FATAL_FAILURE(expectFailure({}));
    }

    void takeAwaySecondPackage() {
        ASSERT_TRUE(e2e::takeAwayPackage(medium_, 2, root_.path() + L"\\Elsewhere"));
    }
    // Starts the install and answers the prompt for the second disc.
    std::optional<ui::Window> nextDiscPrompt() {
        EXPECT_TRUE(installer_.startInstall(target_));
        auto prompt = installer_.window(fillIntegerFormat(kNextDiscTitle, 2), kInstallTimeout);
        EXPECT_TRUE(prompt.has_value()) << "no prompt for disc 2";
        return prompt && prompt->waitIdle() ? prompt : std::nullopt;
    }

    // A file of the player's in the target folder, there before the install.
    void playersFile(const std::wstring& name) {
        ASSERT_TRUE(e2e::createFolders(target_));
        ASSERT_TRUE(e2e::writeFileBytes(target_ + L"\\" + name, {'m', 'i', 'n', 'e'}));
    }

    // The installed game's program, running until the player quits it.
    void startTheGame() {
        running_ = ui::Process::start(target_ + L"\\Game.exe", L"", target_);
        ASSERT_TRUE(running_.has_value());
        ASSERT_TRUE(ui::Window::find({kGameWindow, false, L"#32770", running_->id()}))
            << "the game shows no window";
    }
    void quitTheGame() {
        const auto game = ui::Window::find({kGameWindow, false, L"#32770", running_->id()}, 0);
        ASSERT_TRUE(game.has_value()) << "the game ended before the player quit it";
        ASSERT_TRUE(game->control(IDOK).click());
        EXPECT_TRUE(running_->waitForExit());
    }

    void installCompletely() {
        ASSERT_TRUE(installer_.installCompletely(target_)) << "the install did not finish";
    }
    void removeGame(const std::vector<std::wstring>& messages) {
        e2e::UninstallerDriver uninstaller(target_);
        EXPECT_EQ(uninstaller.remove(false), std::optional(messages));
    }

    // Installs, changes an installed file, ticks the start of the game and
    // the verification on the finish page and gives `button` to the
    // verification's question about that file.
    void verifyAChangedFile(int button) {
        ASSERT_TRUE(installer_.startInstall(target_));
        const auto page = installer_.window(kFinishTitle, kInstallTimeout);
        ASSERT_TRUE(page && page->waitIdle()) << "no finish page";
        ASSERT_TRUE(e2e::writeFileBytes(target_ + L"\\" + kChanged, {1, 2, 3}));
        ASSERT_TRUE(page->control(kStartGameBox).click());
        ASSERT_TRUE(page->control(kVerifyBox).click());
        ASSERT_TRUE(ui::waitUntil([&] {
            return page->control(kStartGameBox).isChecked() &&
                   page->control(kVerifyBox).isChecked();
        }));
        ASSERT_TRUE(page->control(IDOK).click());
        ASSERT_NO_FATAL_FAILURE(answer(fillTextFormat(kFileDamaged, kChanged), button));
    }
    bool gameStarted() const { return e2e::fileExists(target_ + L"\\started.txt"); }
    static bool gameEnded() { return ui::listProcesses(L"Game.exe").empty(); }

    std::wstring report() {
        const auto page = installer_.window(kVerifyTitle);
        return page && page->waitIdle() ? page->control(kReportBox).text() : L"";
    }

    const std::wstring kChanged = L"data\\maps\\one.map";
    e2e::InstallerDriver installer_{medium_};
    std::wstring target_;
    // The folders a row's install can touch.
    std::vector<std::wstring> watched_;
    std::optional<ui::Process> running_;
    KernelHandle held_;
    std::map<std::wstring, std::wstring> before_;
};

const std::vector<Row> kRows = {
    Row("agreement declined", &kOneDisc, "the installer ended", {}, nullptr,
        [](Fault& f) {
            const auto page = f.installer_.reachAgreement();
            ASSERT_TRUE(page && page->control(IDCANCEL).click());
            f.expectEnded();
        }),

    Row("path page End", &kOneDisc, "the installer ended", {}, nullptr,
        [](Fault& f) {
            const auto page = f.installer_.reachPathPage();
            ASSERT_TRUE(page && page->control(kEndButton).click());
            f.expectEnded();
        }),

    Row(
        "cancel during the package check", &kDiscs, "the installer ended", {},
        [](Fault& f) {
            // Any digest: the check is cancelled long before its end.
            ASSERT_GT(e2e::addZeroPackage(f.medium_, int64_t{3} << 30, L""), 0);
        },
        [](Fault& f) {
            const int large = _wtoi(e2e::md5code(f.medium_, L"count").c_str());
            ASSERT_TRUE(f.installer_.startCheckedInstall(f.target_).has_value());
            const auto page = f.installer_.window(fillIntegerFormat(kPackageCheckTitle, large));
            ASSERT_TRUE(page && page->control(IDCANCEL).click());
            ASSERT_NO_FATAL_FAILURE(f.answer(kCancelQuestion, IDYES));
            f.expectEnded();
        }),

    Row(
        "wrong digest of package 2", &kDiscs, "the installer ended", {},
        [](Fault& f) {
            ASSERT_TRUE(e2e::setMd5code(f.medium_, L"pck2", L"0123456789abcdef0123456789abcdef"));
        },
        [](Fault& f) { f.failThePackageCheck(2); }),

    Row(
        "upper-case digest of package 1", &kDiscs, "the installer ended", {},
        [](Fault& f) {
            const std::wstring digest = e2e::md5code(f.medium_, L"pck1");
            std::wstring upper = digest;
            std::transform(upper.begin(), upper.end(), upper.begin(), towupper);
            ASSERT_NE(upper, digest) << "a digest of digits only";
            ASSERT_TRUE(e2e::setMd5code(f.medium_, L"pck1", upper));
        },
        [](Fault& f) { f.failThePackageCheck(1); }),

    Row("cancel at the first chunk", &kLargeFiles, "undone", {}, nullptr,
        [](Fault& f) { f.cancelInstallWithin(L"Game.exe", 16 * kMiB, 0); }),

    // Esc asks as the cancel button does, so that a keyboard can stop too.
    Row("Esc at the first chunk", &kLargeFiles, "undone", {}, nullptr,
        [](Fault& f) {
            f.cancelInstallWithin(L"Game.exe", 16 * kMiB, 0, e2e::CancelBy::EscapeKey);
        }),

    // The parent folder is made on the way to the target folder, and not
    // recorded.
    Row(
        "cancel in the middle of a large file", &kLargeFiles, "undone", {L"New Parent"},
        [](Fault& f) { f.target_ = f.targets_.path() + L"\\New Parent\\Game"; },
        [](Fault& f) { f.cancelInstallWithin(L"Game.exe", 16 * kMiB, 0.4); }),

    Row(
        "cancel at the last file, into a folder holding the player's files", &kLargeFiles, "undone",
        {},
        [](Fault& f) {
            // One the game replaces, one it does not know.
            ASSERT_NO_FATAL_FAILURE(f.playersFile(L"readme.txt"));
            ASSERT_NO_FATAL_FAILURE(f.playersFile(L"mine.txt"));
        },
        [](Fault& f) { f.cancelInstallWithin(L"videos\\intro.bin", 16 * kMiB, 0); }),

    Row(
        "full target disk", nullptr, "undone", {},
        [](Fault& f) {
            const auto free = e2e::smallDriveFreeBytes();
            if (!free) {
                GTEST_SKIP() << "the small drive T: could not be mounted (see the output of "
                                "install_failure_small_drive_setup)";
            }
            ASSERT_NO_FATAL_FAILURE(f.pack(e2e::gameFillingTheDrive(*free), L"--chunk-size 64K"));
            f.target_ = L"T:\\Game";
            f.watched_.push_back(L"T:");
        },
        [](Fault& f) {
            ASSERT_TRUE(f.installer_.startInstall(f.target_));
            ASSERT_NO_FATAL_FAILURE(f.answer(kDiskFullQuestion, IDNO));
            ASSERT_NO_FATAL_FAILURE(f.expectFailure({}));
        }),

    Row(
        "damaged chunk", &kDiscs, "undone", {},
        [](Fault& f) {
            // data2.pck goes on with a chunk header (u32 compressed size, u32
            // size): flip bytes in the middle of that chunk's compressed data.
            const std::wstring second = f.medium_ + L"\\data2.pck";
            auto bytes = e2e::readFileBytes(second);
            ASSERT_TRUE(bytes && bytes->size() > kChunkHeaderSize);
            const size_t compressed = le::readU32(bytes->data());
            ASSERT_TRUE(compressed >= 64 && kChunkHeaderSize + compressed <= bytes->size());
            for (size_t i = 0; i < 32; ++i) {
                (*bytes)[kChunkHeaderSize + compressed / 2 + i] ^= 0x5A;
            }
            ASSERT_TRUE(e2e::writeFileBytes(second, *bytes));
        },
        [](Fault& f) {
            ASSERT_TRUE(f.installer_.startInstall(f.target_));
            ASSERT_NO_FATAL_FAILURE(f.expectFailure({L"Failed to uncompress zip data!"}));
        }),

    Row(
        "package truncated in the middle of a chunk", &kOneDisc, "undone", {},
        [](Fault& f) {
            const std::wstring first = f.medium_ + L"\\data1.pck";
            auto bytes = e2e::readFileBytes(first);
            ASSERT_TRUE(bytes.has_value());
            bytes->resize(bytes->size() * 3 / 5);
            ASSERT_TRUE(e2e::writeFileBytes(first, *bytes));
        },
        [](Fault& f) {
            ASSERT_TRUE(f.installer_.startInstall(f.target_));
            // Yes reads again a second later, and asks again.
            ASSERT_NO_FATAL_FAILURE(f.answer(kReadErrorQuestion, IDYES));
            ASSERT_NO_FATAL_FAILURE(f.answer(kReadErrorQuestion, IDNO));
            ASSERT_NO_FATAL_FAILURE(f.expectFailure({}));
        }),

    Row(
        "next-disc prompt cancelled", &kDiscs, "undone", {},
        [](Fault& f) { f.takeAwaySecondPackage(); },
        [](Fault& f) {
            const auto prompt = f.nextDiscPrompt();
            ASSERT_TRUE(prompt.has_value());
            // No: the prompt stays and the install waits on; the reader polls
            // it every second, and two polls later it still waits.
            ASSERT_TRUE(prompt->control(IDCANCEL).click());
            ASSERT_NO_FATAL_FAILURE(f.answer(kCancelQuestion, IDNO));
            EXPECT_FALSE(ui::waitUntil([&] { return !prompt->isVisible(); }, 2500));
            EXPECT_FALSE(f.installer_.visible(kUndoTitle));
            ASSERT_TRUE(prompt->control(IDCANCEL).click());
            ASSERT_NO_FATAL_FAILURE(f.answer(kCancelQuestion, IDYES));
            ASSERT_NO_FATAL_FAILURE(f.expectFailure({}));
        }),

    Row(
        "next disc never found", &kDiscs, "undone", {}, [](Fault& f) { f.takeAwaySecondPackage(); },
        [](Fault& f) {
            const auto prompt = f.nextDiscPrompt();
            ASSERT_TRUE(prompt.has_value());
            // A folder picked with the browser that does not hold the disc:
            // the reader looks there and shows the prompt afresh, with that
            // folder.
            const std::wstring empty = f.root_.path() + L"\\Empty";
            ASSERT_TRUE(e2e::createFolders(empty));
            ASSERT_TRUE(prompt->control(kBrowseButton).click());
            ASSERT_TRUE(ui::pickFolderInBrowser(*prompt, empty));
            ASSERT_TRUE(prompt->control(IDOK).click());
            ASSERT_TRUE(ui::waitUntil(
                [&] {
                    return prompt->isVisible() &&
                           prompt->control(kFolderBox).text() == empty + L"\\";
                },
                kInstallTimeout))
                << "the prompt did not come back";
            EXPECT_EQ(prompt->text(), fillIntegerFormat(kNextDiscTitle, 2));
            ASSERT_TRUE(prompt->control(IDCANCEL).click());
            ASSERT_NO_FATAL_FAILURE(f.answer(kCancelQuestion, IDYES));
            ASSERT_NO_FATAL_FAILURE(f.expectFailure({}));
        }),

    Row(
        "read-only file in the target", &kOneDisc, "undone", {},
        [](Fault& f) {
            ASSERT_NO_FATAL_FAILURE(f.playersFile(L"readme.txt"));
            ASSERT_TRUE(e2e::setReadOnly(f.target_ + L"\\readme.txt", true));
        },
        [](Fault& f) {
            ASSERT_TRUE(f.installer_.startInstall(f.target_));
            ASSERT_NO_FATAL_FAILURE(
                f.expectFailure({f.target_ + L"\\readme.txt is read-only and is not replaced.",
                                 L"Failed to create " + f.target_ + L"!"}));
            EXPECT_TRUE(e2e::isReadOnly(f.target_ + L"\\readme.txt"));
        }),

    Row(
        "file held open by another process, in an earlier install", &kOneDisc, "undone", {},
        [](Fault& f) {
            ASSERT_NO_FATAL_FAILURE(f.installCompletely());
            // As a program of the player's holds a file: without delete sharing.
            f.held_.reset(CreateFileW((f.target_ + L"\\readme.txt").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(f.held_);
        },
        [](Fault& f) {
            ASSERT_TRUE(f.installer_.startInstall(f.target_));
            const auto messages = f.installer_.finishFailed();
            f.held_.reset();
            ASSERT_TRUE(messages.has_value());
            ASSERT_EQ(messages->size(), 2u);
            const std::wstring replace = L"Failed to replace " + f.target_ + L"\\readme.txt: ";
            EXPECT_EQ(messages->front().rfind(replace, 0), 0u) << utf8FromWide(messages->front());
            EXPECT_GT(messages->front().size(), replace.size()) << "no reason given";
            EXPECT_EQ(messages->back(), L"Failed to create " + f.target_ + L"!");
        }),

    Row(
        "read-only uninstall.ini of an earlier install", &kOneDisc, "undone", {},
        [](Fault& f) {
            ASSERT_NO_FATAL_FAILURE(f.installCompletely());
            ASSERT_TRUE(e2e::setReadOnly(f.target_ + L"\\uninstall.ini", true));
        },
        [](Fault& f) {
            // The first file the install replaces: it stops before the game.
            ASSERT_TRUE(f.installer_.startInstall(f.target_));
            ASSERT_NO_FATAL_FAILURE(f.expectFailure(
                {f.target_ + L"\\uninstall.ini is read-only and is not replaced."}));
        }),

    Row(
        "reinstall while the game is running", &kGameThatRuns, "undone", {},
        [](Fault& f) {
            ASSERT_NO_FATAL_FAILURE(f.installCompletely());
            ASSERT_NO_FATAL_FAILURE(f.startTheGame());
        },
        [](Fault& f) {
            // A running program can be renamed, but not written or deleted.
            ASSERT_TRUE(f.installer_.startInstall(f.target_));
            ASSERT_NO_FATAL_FAILURE(
                f.expectFailure({f.target_ + L"\\Game.exe is in use and is not replaced.",
                                 L"Failed to create " + f.target_ + L"!"}));
            ASSERT_NO_FATAL_FAILURE(f.quitTheGame());
        }),

    Row(
        "package entry that climbs out of the target folder", &kOneDisc,
        "undone; nothing written outside the target folder", {},
        [](Fault& f) {
            // Two levels up from the target is the scenario's own folder.
            f.target_ = f.targets_.path() + L"\\Games\\Game";
            ASSERT_TRUE(e2e::createFolders(f.targets_.path() + L"\\Games"));
            ASSERT_NO_FATAL_FAILURE(putFirstPackage(f.medium_, PackageBuilder()
                                                                   .file(u"Game.exe", 1)
                                                                   .chunk("game")
                                                                   .file(u"..\\..\\evil.txt", 1)
                                                                   .chunk("evil")));
        },
        [](Fault& f) {
            ASSERT_TRUE(f.installer_.startInstall(f.target_));
            ASSERT_NO_FATAL_FAILURE(f.expectFailure(
                {L"Unsafe entry name in the package (not a path below the target folder): "
                 L"..\\..\\evil.txt"}));
        }),

    Row(
        "package entry that names the uninstall record", &kOneDisc, "undone", {},
        [](Fault& f) {
            // Spelt as Windows still takes it for uninstall.dat. Its bytes
            // are a record of a file of the player's, outside the game; an
            // entry the reader refuses then makes the install fail.
            ASSERT_TRUE(e2e::writeFileBytes(f.targets_.path() + L"\\letter.txt", {'h', 'i'}));
            const auto record = encodeUninstallRecord(
                utf16FromWide(L"FILE:" + f.targets_.path() + L"\\letter.txt"));
            ASSERT_TRUE(record.has_value());
            ASSERT_NO_FATAL_FAILURE(
                putFirstPackage(f.medium_, PackageBuilder()
                                               .file(u"Uninstall.DAT.", 1)
                                               .chunk({record->begin(), record->end()})
                                               .entry(u"next", 2, 0)));
        },
        [](Fault& f) {
            ASSERT_TRUE(f.installer_.startInstall(f.target_));
            ASSERT_NO_FATAL_FAILURE(f.expectFailure(
                {f.target_ + L"\\Uninstall.DAT. is the uninstall record and is not replaced.",
                 L"Failed to create " + f.target_ + L"!"}));
        }),

    Row(
        "package with one file twice, in two letter cases", &kOneDisc, "undone", {},
        [](Fault& f) {
            // As medium packs a game folder of a file system that tells the
            // two names apart; an entry the reader refuses then makes the
            // install fail.
            ASSERT_NO_FATAL_FAILURE(putFirstPackage(f.medium_, PackageBuilder()
                                                                   .file(u"Game.exe", 1)
                                                                   .chunk("first")
                                                                   .file(u"GAME.EXE", 1)
                                                                   .chunk("second")
                                                                   .entry(u"next", 2, 0)));
        },
        [](Fault& f) {
            ASSERT_TRUE(f.installer_.startInstall(f.target_));
            ASSERT_NO_FATAL_FAILURE(f.expectFailure(
                {L"CZipFilePackage::UnCompress(), Failed to uncompress,unknowable chunk type!"}));
        }),

    Row("changed installed file found by the verification", &kPlayable,
        "reported, the game started, then removed with delete-all", {}, nullptr,
        [](Fault& f) {
            ASSERT_NO_FATAL_FAILURE(f.verifyAChangedFile(IDYES));
            // The report as it stands at the end, before its message is answered.
            ASSERT_TRUE(ui::MessageBoxWindow::find(kVerifyDone, f.installer_.process().id(),
                                                   kInstallTimeout))
                << "no end of the verification";
            const std::wstring text = f.report();
            ASSERT_NO_FATAL_FAILURE(f.answer(kVerifyDone, IDOK));
            EXPECT_NE(text.find(f.kChanged + L" ... FAILED!\r\n"), std::wstring::npos)
                << utf8FromWide(text);
            EXPECT_NE(text.find(L"data\\maps\\two.map ... OK!\r\n"), std::wstring::npos);
            EXPECT_TRUE(endsWith(text, kReportEnd));
            f.expectEnded();
            // The player went on: the game starts, and leaves its own file in
            // the game's folder, which delete-all takes too.
            ASSERT_TRUE(ui::waitUntil([&] { return f.gameStarted() && Fault::gameEnded(); }))
                << "the game did not start";
            e2e::UninstallerDriver uninstaller(f.target_);
            EXPECT_EQ(uninstaller.remove(true), std::optional(std::vector<std::wstring>{}));
        }),

    Row("verification answered No at a mismatch", &kPlayable,
        "stopped, the game not started, then removed by the uninstaller", {}, nullptr,
        [](Fault& f) {
            ASSERT_NO_FATAL_FAILURE(f.verifyAChangedFile(IDNO));
            // The report stops at that file and stays until cancel ends the
            // installer, without a question and without starting the game.
            EXPECT_TRUE(endsWith(f.report(), f.kChanged + L" ... "));
            EXPECT_TRUE(f.installer_.process().isRunning());
            const auto page = f.installer_.window(kVerifyTitle);
            ASSERT_TRUE(page && page->control(IDCANCEL).click());
            f.expectEnded();
            EXPECT_FALSE(f.gameStarted());
            EXPECT_TRUE(Fault::gameEnded());
            f.removeGame({});
        }),

    // The player's saved game stays: no install recorded it.
    Row("uninstaller run twice", &kOneDisc, "removed by the first run; the second found no record",
        {L"Game", L"Game\\slot1.sav"}, nullptr,
        [](Fault& f) {
            ASSERT_NO_FATAL_FAILURE(f.installCompletely());
            ASSERT_TRUE(e2e::writeFileBytes(f.target_ + L"\\slot1.sav", {1, 2, 3}));
            // Started twice before either removes anything, as by a double click.
            e2e::UninstallerDriver first(f.target_);
            e2e::UninstallerDriver second(f.target_);
            const auto one = first.start();
            const auto two = second.start();
            ASSERT_TRUE(one && two);
            EXPECT_EQ(first.pressStart(*one, false), std::optional(std::vector<std::wstring>{}));
            EXPECT_EQ(second.pressStart(*two, false),
                      std::optional(std::vector<std::wstring>{L"Failed to open " + f.target_ +
                                                              L"\\uninstall.dat"}));
        }),

    Row("uninstaller after the player deleted half of the game", &kOneDisc,
        "removed by the uninstaller", {}, nullptr,
        [](Fault& f) {
            ASSERT_NO_FATAL_FAILURE(f.installCompletely());
            for (const wchar_t* gone : {L"data", L"bin\\tool.exe", L"readme.txt"}) {
                ASSERT_TRUE(e2e::removeTree(f.target_ + L"\\" + gone)) << utf8FromWide(gone);
            }
            f.removeGame({});
        }),

    // The running program's file stays, and the folder that holds it.
    Row("uninstaller while the game is running", &kGameThatRuns, "removed by the uninstaller",
        {L"Game", L"Game\\Game.exe"}, nullptr,
        [](Fault& f) {
            ASSERT_NO_FATAL_FAILURE(f.installCompletely());
            ASSERT_NO_FATAL_FAILURE(f.startTheGame());
            f.removeGame({});
            ASSERT_NO_FATAL_FAILURE(f.quitTheGame());
        }),
};

TEST_P(Fault, LeavesOnlyWhatStays) {
    const Row& row = GetParam();
    if (row.medium != nullptr) {
        ASSERT_NO_FATAL_FAILURE(packMedium(*row.medium));
    }
    if (row.prepare != nullptr) {
        ASSERT_NO_FATAL_FAILURE(row.prepare(*this));
    }
    if (IsSkipped()) {
        return;
    }
    before_ = machine();
    ASSERT_NO_FATAL_FAILURE(row.drive(*this));
    expectOnlyWhatStays(row);
}

// "cancel at the first chunk" becomes CancelAtTheFirstChunk.
std::string rowName(const ::testing::TestParamInfo<Row>& info) {
    std::string name;
    bool upper = true;
    for (const char* c = info.param.name; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c)) == 0) {
            upper = upper || *c != '\'';
            continue;
        }
        name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
        upper = false;
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Faults, Fault, ::testing::ValuesIn(kRows), rowName);

}  // namespace
