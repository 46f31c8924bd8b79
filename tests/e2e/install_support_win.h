// What the install scenarios share: a game folder of known files, a medium
// made from it by the built medium.exe, the installer placed beside the
// packages with an install.ini of the scenarios' own, and a driver that takes
// the installer through the agreement and path pages to the install page.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/scenario_support_win.h"
#include "tests/e2e/ui_driver_win.h"

namespace e2e {

// Controls of the installer's and the uninstaller's windows, by their ids in
// the dialog layouts: agreement 131, path page 129, install page 132,
// next-disc prompt 147, finish page 133, verification 150, uninstall window
// 102.
namespace controls {
constexpr int kEndButton = 3;          // path page
constexpr int kProgressBar = 1000;     // uninstall window
constexpr int kFolderBox = 1001;       // path page, next-disc prompt
constexpr int kAgreementText = 1002;   // agreement page
constexpr int kDesktopIconBox = 1005;  // finish page
constexpr int kStartGameBox = 1006;    // finish page
constexpr int kCancelButton = 1006;    // install page
constexpr int kVerifyBox = 1007;       // finish page
constexpr int kFileName = 1008;        // install page
constexpr int kAgreeButton = 1009;     // agreement page
constexpr int kOverallPercent = 1009;  // install page
constexpr int kResultText = 1010;      // finish page
constexpr int kDeleteAllBox = 1010;    // uninstall window
constexpr int kNeededLabel = 1014;     // path page
constexpr int kFreeLabel = 1015;       // path page
constexpr int kBrowseButton = 1019;    // next-disc prompt
constexpr int kReportBox = 1026;       // verification
}  // namespace controls

struct GameFile {
    std::wstring name;  // below the game folder, with "\" between folders
    size_t size = 0;
};

// A small game of 3 MB in nested folders, an empty file among them: with
// --disc-size 1M it spans several packages.
inline const std::vector<GameFile> kSmallGame = {
    {L"Game.exe", 150000},
    {L"readme.txt", 0},
    {L"bin\\tool.exe", 70000},
    {L"data\\maps\\one.map", 900000},
    {L"data\\maps\\two.map", 1300000},
    {L"data\\music\\theme.ogg", 600000},
};

// The free bytes of drive T:, the small empty drive a ctest fixture mounts
// for the full-disk scenarios; nothing when that drive is not there.
std::optional<uint64_t> smallDriveFreeBytes();
// A game that passes the path page's check of the space on a drive with
// `freeBytes` free but runs the unpack out of room inside its large file.
std::vector<GameFile> gameFillingTheDrive(uint64_t freeBytes);

// Files of pseudo-random bytes (the same bytes for the same name and size)
// and empty folders below `folder`.
bool makeGame(const std::wstring& folder, const std::vector<GameFile>& files,
              const std::vector<std::wstring>& emptyFolders = {});

// Runs a whole command line, as Windows runs an uninstall command, in
// `folder`; answers the exit code, or nothing when it did not end in time.
std::optional<DWORD> runCommand(const std::wstring& line, const std::wstring& folder);

// Runs the built medium.exe with the arguments and answers its exit code, or
// nothing when it did not start or end in time.
std::optional<DWORD> runMedium(const std::wstring& arguments, DWORD timeoutMs = 120000);

// The texts the install scenarios look for.
namespace install_texts {
inline const std::wstring kProduct = L"Install Test";
inline const std::wstring kMainTitle = L"Install Test Setup";            // str32
inline const std::wstring kAgreementTitle = L"Licence of Install Test";  // str23
inline const std::wstring kPathTitle = L"Install Test: where to?";       // str0
inline const std::wstring kConfirmTitle = L"Check the packages";         // str52
inline const std::wstring kProgressTitle = L"Installing Install Test";   // str31
inline const std::wstring kNextDiscTitle = L"Please insert disc %d";     // str36
inline const std::wstring kCancelQuestion =
    L"Do you really want to stop the installation?";  // str38
inline const std::wstring kDiskFullQuestion =
    L"The target disk is nearly full. Try again?";                                         // str46
inline const std::wstring kUndoTitle = L"Removing what was installed";                     // str49
inline const std::wstring kFinishTitle = L"Install Test is ready";                         // str30
inline const std::wstring kFinishedText = L"Everything is installed.";                     // str19
inline const std::wstring kFailedText = L"The install did not finish.";                    // str20
inline const std::wstring kPackageCheckTitle = L"Checking package %d";                     // str41
inline const std::wstring kPackageDamaged = L"Package %d is damaged!";                     // str42
inline const std::wstring kFileDamaged = L"%s is damaged. Go on?";                         // str43
inline const std::wstring kVerifyCancelQuestion = L"Stop the verification?";               // str44
inline const std::wstring kVerifyTitle = L"Checking Install Test";                         // str47
inline const std::wstring kInstallingFile = L"Installing %s";                              // str9
inline const std::wstring kReportEnd = L"All files checked.";                              // str48
inline const std::wstring kVerifyDone = L"The verification is over.";                      // str50
inline const std::wstring kReadErrorQuestion = L"The package cannot be read. Try again?";  // str45
// The uninstaller's window, with the texts the installer writes for it.
inline const std::wstring kUninstallTitle = L"Uninstall Varnholt";
inline const std::wstring kDeleteAllAsk = L"Are you sure you want to delete all files?";
}  // namespace install_texts

// Long enough for a whole install, undo or removal under Wine on a busy
// machine.
constexpr DWORD kInstallTimeout = 60000;

struct ShortcutEntry {
    std::wstring name;
    std::wstring link;
    std::wstring pos;
    std::wstring params;
};

// install.ini for the scenarios: product and program group as given, the
// package check asked for, the shortcuts listed, every text the install
// pages show. `extraSetup` holds further lines of [setup], each ending in
// "\r\n".
std::vector<uint8_t> installIniBytes(const std::wstring& programGroup,
                                     const std::vector<ShortcutEntry>& shortcuts,
                                     const std::wstring& extraSetup = L"");

// Copies install.exe and the decoder pair from the build into the medium and
// writes its install.ini.
bool placeInstaller(const std::wstring& medium, const std::wstring& programGroup,
                    const std::vector<ShortcutEntry>& shortcuts,
                    const std::wstring& extraSetup = L"");

// The [md5code] value of `key` in the medium's install.ini, and a new one.
std::wstring md5code(const std::wstring& medium, const std::wstring& key);
bool setMd5code(const std::wstring& medium, const std::wstring& key, const std::wstring& value);
// Adds to the medium one more package of `size` zero bytes, which the package
// check hashes but the install never reads (sparse: quick to make, and it
// keeps the check busy), and lists it in [md5code] with the digest given.
// Answers its number, or 0 when it could not be made.
int addZeroPackage(const std::wstring& medium, int64_t size, const std::wstring& digest);

// Moves package `number` of the medium into `folder`, where the installer
// does not look; false when the medium has no such package.
bool takeAwayPackage(const std::wstring& medium, int number, const std::wstring& folder);

// The records of an uninstall.dat, oldest first.
std::vector<std::wstring> readUninstallRecords(const std::wstring& path);

// The lines of a /LOG= file, from its UTF-8.
std::vector<std::wstring> logLines(const std::wstring& path);
bool hasLine(const std::vector<std::wstring>& lines, const std::wstring& line);

// The Programs menu folder of the test prefix's user.
std::wstring programsFolder();

// How a person stops the install: the page's cancel button, or Esc typed on
// the keyboard.
enum class CancelBy { Button, EscapeKey };

// Takes the installer's second run from its start to the install page.
class InstallerDriver {
public:
    explicit InstallerDriver(std::wstring medium) : medium_(std::move(medium)) {}
    ~InstallerDriver();
    InstallerDriver(const InstallerDriver&) = delete;
    InstallerDriver& operator=(const InstallerDriver&) = delete;

    // Starts the second run and answers the agreement page once its agree
    // button is enabled.
    std::optional<ui::Window> reachAgreement();
    // The same, agreed: answers the path page.
    std::optional<ui::Window> reachPathPage();
    // Starts the second run, agrees, types `target` on the path page, presses
    // Next and skips the package check; answers whether it got that far.
    // Failures are reported through GoogleTest.
    bool startInstall(const std::wstring& target);
    // The same up to the package check question, which it leaves open.
    std::optional<ui::Window> reachCheckQuestion(const std::wstring& target);
    // Starts the second run as startInstall does but confirms the package
    // check; answers the check's page, or nothing when it was not seen.
    std::optional<ui::Window> startCheckedInstall(const std::wstring& target);

    // After startInstall: holds the installer's work once the file at `path`
    // has at least `share` of its `size` bytes on disk and is not yet whole,
    // presses Cancel (or Esc), answers Yes and lets the work go on, which then stops
    // right there on any machine. Failures are reported through GoogleTest.
    bool cancelWhileWriting(const std::wstring& path, uint64_t size, double share,
                            CancelBy by = CancelBy::Button);
    // The same, once `condition` holds (looked at with the work held).
    bool cancelWhen(const std::function<bool()>& condition, CancelBy by = CancelBy::Button);
    // After startInstall: waits for the finish page, sets its desktop-icon
    // box and presses Finish; answers whether the installer then ended.
    bool finish(bool desktopIcon = false);
    // startInstall and finish.
    bool installCompletely(const std::wstring& target, bool desktopIcon = false);
    // After an install that fails: presses OK on every message until the
    // finish page shows, expects its text for a failed install, presses Finish
    // and waits for the installer's end. Answers the messages' texts, or
    // nothing when it got stuck.
    std::optional<std::vector<std::wstring>> finishFailed();

    const ui::Process& process() const { return *process_; }
    std::optional<ui::Window> window(const std::wstring& title,
                                     DWORD timeoutMs = ui::kDefaultTimeout);
    bool visible(const std::wstring& title);
    // The install page, when it was seen (a small install may end first).
    const std::optional<ui::Window>& progressPage() const { return progress_; }

private:
    std::wstring medium_;
    std::optional<ui::Process> process_;
    std::optional<ui::Window> progress_;
};

// Takes the uninstaller of a game folder through a removal as a person
// would: starts uninstall.exe there, finds the window of the copy it starts,
// ticks delete-all when asked to and presses start.
class UninstallerDriver {
public:
    // `title` is the window title of the game's uninstall.ini.
    explicit UninstallerDriver(std::wstring gameFolder,
                               std::wstring title = install_texts::kUninstallTitle)
        : gameFolder_(std::move(gameFolder)), title_(std::move(title)) {}
    ~UninstallerDriver();
    UninstallerDriver(const UninstallerDriver&) = delete;
    UninstallerDriver& operator=(const UninstallerDriver&) = delete;

    // The window of the copy this start made (not one that was there
    // before), once the first stage has ended.
    std::optional<ui::Window> start();
    // In that window: ticks delete-all (answering its question Yes) when
    // asked, presses start and answers every message the removal shows with
    // OK. Answers those messages' texts once the copy has ended, or nothing
    // when it got stuck. Failures are reported through GoogleTest.
    std::optional<std::vector<std::wstring>> pressStart(const ui::Window& window, bool deleteAll);
    // start and pressStart.
    std::optional<std::vector<std::wstring>> remove(bool deleteAll);

private:
    std::wstring gameFolder_;
    std::wstring title_;
    std::optional<ui::Process> copy_;
};

// Every file below `folder` with its size and a digest of its bytes, every
// folder and every link (not entered), by relative path: two snapshots are
// equal when the tree is byte for byte the same.
std::map<std::wstring, std::wstring> treeSnapshot(const std::wstring& folder);

// The folders of one install scenario: the game's source and its medium below
// C:\media\<test>, the targets below C:\Installed\<test>, and a program
// group of its own; all removed when the scenario ends.
class InstallScenarioBase : public ::testing::Test {
protected:
    InstallScenarioBase();
    void SetUp() override;
    void TearDown() override;

    // Makes the game, places the installer and packs the game beside it with
    // medium.exe, which adds the packages' digests to install.ini.
    void pack(const std::vector<GameFile>& files, const std::wstring& options,
              const std::vector<std::wstring>& emptyFolders = {});
    // The same for the game folder as it stands.
    void packGame(const std::wstring& options);

    ScenarioFolder root_;
    const std::wstring medium_;
    const std::wstring game_;
    ScenarioFolder targets_;
    const std::wstring programGroup_;
    std::vector<ShortcutEntry> shortcuts_;
};

// A registry string: none when the key is missing, `whenNoText` when it has
// no such value or the value is not text.
std::optional<std::wstring> registryString(HKEY root, const std::wstring& key,
                                           const wchar_t* name = nullptr,
                                           const wchar_t* whenNoText = L"");

}  // namespace e2e
