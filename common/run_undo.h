// The undo of an install run from what its journal holds: the same walk
// for a run that was cancelled or failed (the journal's state in memory)
// and for a run that was killed (the journal read back at the next start of
// either program). Running it again on what it left changes nothing more.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/platform.h"
#include "common/registry.h"
#include "common/run_journal.h"

// What an undo did, for the message that reports it.
struct RunUndoSummary {
    size_t removed = 0;          // files and folders of the run removed
    size_t putBack = 0;          // files the run had replaced, back in their place
    bool rolledForward = false;  // the run had finished: only its leftovers went
};

// Whether a missing uninstall.dat is reported: it is after a cancel, where
// the run made it; a run killed early may not have made it yet.
enum class MissingRecord { Report, Silent };

class RunUndo {
public:
    RunUndo(Platform& platform, UserPrompt& prompt, Registry& registry, std::wstring targetFolder,
            RunJournalState state, MissingRecord missing);

    // The run's records still to undo; for the progress bar.
    size_t recordsAhead();

    // Removes what the run recorded, newest first, while `stop` stays clear
    // (`ahead` is told the count of records still ahead before the walk and
    // after each); puts back every file it set aside whose place is free
    // again; cuts uninstall.dat back to what it held before the run; takes
    // back the run's registry changes, newest first; and deletes the journal.
    // A journal that ends in Commit is rolled forward instead: the run had
    // finished, so only the files it set aside are deleted.
    RunUndoSummary run(const std::atomic<bool>& stop, const std::function<void(size_t)>& ahead);

private:
    std::vector<std::wstring> loadRecords();
    size_t firstOfRun();
    void restoreRecordFile(bool walkedAll);
    void undoRegistry();

    Platform& platform_;
    UserPrompt& prompt_;
    Registry& registry_;
    std::wstring targetFolder_;
    std::wstring recordPath_;
    RunJournalState state_;
    MissingRecord missing_;
    std::optional<std::vector<std::wstring>> records_;
};
