// The removal pass of the uninstaller: every recorded file and folder, newest
// first, then the update-pack file type in the registry, and on request what
// is left in the game's folder. Window-free; the window and the registry are
// reached through the two small interfaces below.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/platform.h"
#include "common/registered_type.h"
#include "common/registry.h"
#include "uninstaller/engine/guarded_folders.h"

// What the removal shows while it runs.
class RemovalView {
public:
    virtual ~RemovalView() = default;
    RemovalView() = default;
    RemovalView(const RemovalView&) = delete;
    RemovalView& operator=(const RemovalView&) = delete;

    // Stage 1, 2 or 3 is reached: its mark turns from "○" to "●".
    virtual void markStage(int stage) = 0;
    virtual void setProgressRange(int maximum) = 0;
    virtual void stepProgress() = 0;
};

// The stage marks as the window shows them.
inline constexpr wchar_t kStagePending[] = L"\u25CB";
inline constexpr wchar_t kStageDone[] = L"\u25CF";

// The progress bar holds its range in 16 bits: larger counts stop at the top
// instead of wrapping round to a small range.
int progressRangeFor(int entries);

// Takes back what the installer registered. The file type's fixed names go
// as they always did. The names the installer handed over go only while they
// are still ours: the extension key while its default value is still the
// class name (an association it took over gets its earlier value back
// instead, and the key stays), the class key while its open command still
// starts a program in `installFolder`, and the entry in the list of installed
// programs while it still names this uninstall.exe. A handed name that is
// empty or holds a "\\" is not used.
void removeRegisteredType(Registry& registry, const RegisteredType& handed,
                          const std::wstring& installFolder);

// The path is one of the uninstaller's three files in the game folder.
bool isUninstallerFile(const std::wstring& folder, const std::wstring& path);

// The program a command line starts: its quoted first part, or the part
// before the first blank.
std::wstring programOfCommand(const std::wstring& command);
// The command starts a program inside `folder`, compared in any letter case.
bool commandStartsProgramIn(const std::wstring& command, const std::wstring& folder);

class RemovalEngine {
public:
    // entry(k), k from 1, is the k-th record; `recordFolder` holds uninstall.dat.
    using EntrySource = std::function<std::wstring(int k)>;

    RemovalEngine(Platform& platform, UserPrompt& prompt, std::wstring recordFolder,
                  EntrySource entry)
        : platform_(platform),
          prompt_(prompt),
          recordFolder_(std::move(recordFolder)),
          entry_(std::move(entry)) {}

    // Deletes what the record lists, last entry first, then takes back what
    // was registered; the count is taken afresh from the record file's size.
    // The uninstaller's own files in the game folder are kept for
    // RemoveOwnFiles.
    void RemoveRecorded(RemovalView& view, Registry& registry, const RegisteredType& handed);
    // Deletes the uninstaller's own files kept so far, then the game folder
    // if it is empty: while anything else of the game is left, uninstall.exe
    // and its record are there to remove it.
    void RemoveOwnFiles();
    // The folder of the first record: the game's folder, or empty.
    std::wstring installFolder() const;
    // Walks the record again, newest first, without showing anything: what
    // could not go the first time (the program that started this one, and
    // the folders that held it) goes once it can.
    void RemoveLeftovers();
    // Empties and removes the folder of the first record, the uninstaller's
    // own files last, unless it is a folder that holds more than the game
    // (then a message says so). Answers whether it went ahead.
    bool DeleteAllUnder(const GuardedFolders& guarded);
    // Everything inside `folder`; failures leave the item where it is.
    void DeleteFolderContents(const std::wstring& folder);

private:
    // Deletes the file or removes the folder an entry names; results ignored.
    void apply(const std::wstring& entry);
    // Deletes a listed item of a folder, a folder with its contents.
    void deleteItem(const std::wstring& path, const FolderEntry& item);

    Platform& platform_;
    UserPrompt& prompt_;
    std::wstring recordFolder_;
    EntrySource entry_;
    // Entries the last RemoveRecorded walked.
    int walked_ = 0;
    // The uninstaller's own files, newest first, to delete last.
    std::vector<std::wstring> ownFiles_;
};

// The message shown when delete-all is refused, with the folder filled in.
std::wstring refusedDeleteAllMessage(const std::wstring& folder);
