// The removal pass of the uninstaller: every recorded file and folder, newest
// first, then the update-pack file type in the registry, and on request what
// is left in the game's folder. Window-free; the window and the registry are
// reached through the two small interfaces below.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/platform.h"
#include "uninstaller/guarded_folders.h"

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

// Keys below HKEY_CLASSES_ROOT.
class RegistryTrees {
public:
    virtual ~RegistryTrees() = default;
    RegistryTrees() = default;
    RegistryTrees(const RegistryTrees&) = delete;
    RegistryTrees& operator=(const RegistryTrees&) = delete;

    // Deletes the key with all its subkeys; a missing key is no error.
    virtual void deleteTree(const std::wstring& name) = 0;
};

// The stage marks as the window shows them.
inline constexpr wchar_t kStagePending[] = L"\u25CB";
inline constexpr wchar_t kStageDone[] = L"\u25CF";

// The progress bar holds its range in 16 bits: larger counts stop at the top
// instead of wrapping round to a small range.
int progressRangeFor(int entries);

// The file type's fixed names, and the names the installer says it
// registered (common/registered_type.h), without repeats. A handed name that
// is empty or holds a "\" is not used: "" would name HKEY_CLASSES_ROOT itself
// and a path could reach keys of other programs.
std::vector<std::wstring> registryKeysToRemove(const std::wstring& handedExtension,
                                               const std::wstring& handedType);

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

    // Deletes what the record lists, last entry first, then the registry keys;
    // the count is taken afresh from the record file's size.
    void RemoveRecorded(RemovalView& view, RegistryTrees& registry,
                        const std::vector<std::wstring>& registryKeys);
    // Empties and removes the folder of the first record, unless it is a
    // folder that holds more than the game (then a message says so). Answers
    // whether it went ahead.
    bool DeleteAllUnder(const GuardedFolders& guarded);
    // Everything inside `folder`; failures leave the item where it is.
    void DeleteFolderContents(const std::wstring& folder);

private:
    Platform& platform_;
    UserPrompt& prompt_;
    std::wstring recordFolder_;
    EntrySource entry_;
};

// The message shown when delete-all is refused, with the folder filled in.
std::wstring refusedDeleteAllMessage(const std::wstring& folder);
