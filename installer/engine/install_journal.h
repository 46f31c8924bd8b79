// What one install run changes in the target folder, kept so that the undo
// of a cancelled or failed run removes exactly what this run made and puts
// back what it replaced, and nothing of an earlier install into the same
// folder.
//
// Every record is appended before the folder or file it names is created:
// a record that cannot be written stops the run before anything is made
// that the undo and the uninstaller could not find again. A file the run is
// about to overwrite (the game's own files on a reinstall, the uninstaller's
// three files) is first set aside by a rename on the same volume; the undo
// renames it back, a finished run deletes it.
//
// What the undo needs is also written to the run's journal on disk
// (common/run_journal.h) before each change, and the run is marked for the
// next start (common/interrupted_run.h): a run killed at any moment is undone
// there by the same walk as a cancelled one.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/interrupted_run.h"
#include "common/journaled_registry.h"
#include "common/platform.h"
#include "common/registry.h"
#include "common/run_journal.h"

class InstallJournal {
public:
    // The name a file set aside gets: its own with this after it (and a
    // number when that is taken).
    static constexpr const wchar_t* kSetAsideSuffix = L".ckvold";

    InstallJournal(Platform& platform, UserPrompt& prompt, Registry& registry, std::wstring product,
                   std::wstring targetFolder);

    // Whether records naming these paths fit; asked before anything exists.
    static bool fits(bool isFolder, const std::wstring& path);

    // Before the run's first change: the run is marked for the next start,
    // with whether the target folder is there already. Where the mark cannot
    // be written the run goes on: a cancel is undone as before, only a killed
    // run is not found again.
    void mark(bool targetWasThere);
    // Before the run's first record, once the target folder exists: the
    // journal is made, and an uninstall.dat already there (an earlier install
    // into this folder) is set aside and a copy of its whole records takes
    // its place, so that this run appends after them and its undo can put the
    // file back as it was.
    [[nodiscard]] bool begin();

    // Each appends one record; false, after a message naming the path, when
    // it does not fit or cannot be written.
    [[nodiscard]] bool record(bool isFolder, const std::wstring& path);
    // A folder about to be created; one that is there already is left by the
    // undo.
    [[nodiscard]] bool recordFolder(const std::wstring& path, bool alreadyThere);
    // A file about to be written; one that is there already is set aside
    // first. False, after a message, when it cannot be (read-only, in use,
    // a running program included, or a link) or when it is uninstall.dat
    // itself: then it is not recorded either. A file this run recorded
    // before is written over as it is.
    [[nodiscard]] bool recordFile(const std::wstring& path);

    // Removes what this run recorded, newest first, while `stop` stays clear;
    // then puts back each file it set aside whose place is free again (a
    // newer file the walk did not reach stays, and the one set aside goes).
    // `position` gets the bar's position before the walk and after each
    // record: trunc(i / scale * 100) for the i records of this run still
    // ahead.
    // Then the registry changes are taken back, the journal deleted and the
    // mark removed.
    void undo(const std::atomic<bool>& stop, uint32_t scale,
              const std::function<void(int)>& position);
    // The run has finished: what was set aside is deleted, then the journal
    // and the mark.
    void commit();

    // The registry for the run's own changes: each is journaled before it is
    // made, once the journal exists.
    Registry& registry();

    const std::wstring& recordPath() const { return recordPath_; }

private:
    [[nodiscard]] bool setAside(const std::wstring& path);
    void end();

    Platform& platform_;
    UserPrompt& prompt_;
    Registry& plainRegistry_;
    std::wstring product_;
    std::wstring targetFolder_;
    std::wstring recordPath_;
    bool marked_ = false;
    bool committed_ = false;
    bool targetWasThere_ = false;
    std::unique_ptr<RunJournal> journal_;
    std::unique_ptr<JournaledRegistry> registry_;
    // The files this run recorded, in lower case.
    std::set<std::wstring> ownFiles_;
};
