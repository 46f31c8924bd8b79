// How the next start finds an install run that was killed, and how it
// finishes that run's undo, the way a database recovers at open.
//
// Before a run's first change the installer marks it under HKEY_CURRENT_USER,
// in a key of its own below "Software" named for the product (so that nothing
// of the mark stays once it is removed): the target folder, and whether it
// was there before. The journal in that folder
// says the rest. The mark goes once the run has finished or been undone, after
// its journal. The next installer of the product finds it from any medium
// folder; the uninstaller, which runs from the game's folder, looks for the
// journal there.
#pragma once

#include <optional>
#include <string>

#include "common/platform.h"
#include "common/registry.h"
#include "common/run_journal.h"
#include "common/run_undo.h"

struct MarkedRun {
    std::wstring targetFolder;
    bool targetWasThere = false;
};

class InterruptedRuns {
public:
    static constexpr const wchar_t* kKeyPrefix = L"Software\\Interrupted install of ";

    explicit InterruptedRuns(Registry& registry) : registry_(registry) {}

    [[nodiscard]] bool mark(const std::wstring& product, const MarkedRun& run);
    void unmark(const std::wstring& product);
    // Nothing when the product has no mark, or only a mark cut short before
    // it named its folder (then nothing had been changed yet).
    std::optional<MarkedRun> find(const std::wstring& product);

private:
    std::wstring keyOf(const std::wstring& product) const;

    Registry& registry_;
};

// The journal in a folder, read back; nothing when there is none.
std::optional<RunJournalState> readRunJournal(Platform& platform, const std::wstring& folder);

struct Recovery {
    std::wstring targetFolder;
    RunUndoSummary summary;
};

// Finds the product's interrupted run and finishes it: undone, or rolled
// forward when it had finished; then its mark goes. Nothing when no run was
// interrupted or nothing was left to do. `ahead` is told the records still
// to undo (see RunUndo::run).
std::optional<Recovery> recoverInterruptedRun(Platform& platform, UserPrompt& prompt,
                                              Registry& registry, const std::wstring& product,
                                              const std::function<void(size_t)>& ahead);
// The same for the run whose journal is in `folder` (the uninstaller's own).
std::optional<Recovery> recoverRunIn(Platform& platform, UserPrompt& prompt, Registry& registry,
                                     const std::wstring& folder,
                                     const std::function<void(size_t)>& ahead);

// The one sentence that reports a finished recovery, e.g. "An interrupted
// installation in C:\Games\X was undone: 12 files and folders removed, 3
// files put back."
std::wstring recoveryReport(const std::wstring& folder, const RunUndoSummary& summary);
