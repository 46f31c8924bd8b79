#include "common/run_undo.h"

#include <algorithm>

#include "common/formats.h"
#include "common/text.h"
#include "common/uninstall_record.h"

RunUndo::RunUndo(Platform& platform, UserPrompt& prompt, Registry& registry,
                 std::wstring targetFolder, RunJournalState state, MissingRecord missing)
    : platform_(platform),
      prompt_(prompt),
      registry_(registry),
      targetFolder_(std::move(targetFolder)),
      recordPath_(targetFolder_ + L"\\" + UninstallRecord::kFileName),
      state_(std::move(state)),
      missing_(missing) {}

std::vector<std::wstring> RunUndo::loadRecords() {
    if (!records_) {
        records_.emplace();
        if (state_.committed) {
            return *records_;
        }
        if (missing_ == MissingRecord::Report || platform_.fileExists(recordPath_)) {
            UninstallRecord file(platform_, prompt_);
            *records_ = file.LoadUninstallRecords(targetFolder_);
        }
    }
    return *records_;
}

size_t RunUndo::firstOfRun() {
    // Before its Begin entry a run has recorded nothing.
    if (!state_.begun) {
        return loadRecords().size();
    }
    const size_t earlier = static_cast<size_t>(state_.recordBytes / kUninstallRecordSize);
    return std::min(earlier, loadRecords().size());
}

size_t RunUndo::recordsAhead() {
    return loadRecords().size() - firstOfRun();
}

RunUndoSummary RunUndo::run(const std::atomic<bool>& stop,
                            const std::function<void(size_t)>& ahead) {
    RunUndoSummary summary;
    if (state_.committed) {
        // The run had finished: what it replaced is deleted, as its end would
        // have done.
        for (const SetAsideFile& file : state_.setAside) {
            platform_.deleteFile(file.aside);
        }
        summary.rolledForward = true;
        platform_.deleteFile(RunJournal::pathIn(targetFolder_));
        return summary;
    }
    const std::vector<std::wstring> records = loadRecords();
    const size_t first = firstOfRun();
    ahead(records.size() - first);
    bool walkedAll = true;
    std::vector<std::wstring> keep = state_.foldersThere;
    for (size_t i = records.size(); i-- > first;) {
        if (stop.load()) {
            walkedAll = false;
            break;
        }
        const RecordAction action = interpretUninstallRecord(records[i]);
        // uninstall.dat goes last (restoreRecordFile): an undo killed on the
        // way must find the run's records again.
        if (action.kind == RecordKind::File && sameTextIgnoringCase(action.path, recordPath_)) {
            ahead(i - first);
            continue;
        }
        if (action.kind == RecordKind::File) {
            summary.removed += platform_.deleteFile(action.path) ? 1 : 0;
        } else if (action.kind == RecordKind::Folder &&
                   std::find(keep.begin(), keep.end(), action.path) == keep.end()) {
            summary.removed += platform_.removeFolder(action.path) ? 1 : 0;
        }
        ahead(i - first);
    }
    restoreRecordFile(walkedAll);
    for (auto it = state_.setAside.rbegin(); it != state_.setAside.rend(); ++it) {
        // A newer file a stopped walk did not reach is recorded and stays;
        // only then is the earlier one given up. A set-aside entry whose
        // rename never happened names a file that is not there: nothing to do.
        if (!platform_.fileExists(it->aside)) {
            continue;
        }
        if (platform_.fileExists(it->original)) {
            // After a whole walk the newer file could not be deleted (in
            // use): both stay, the earlier under its set-aside name.
            if (!walkedAll) {
                platform_.deleteFile(it->aside);
            }
        } else if (platform_.moveFile(it->aside, it->original, false)) {
            ++summary.putBack;
        }
    }
    undoRegistry();
    platform_.deleteFile(RunJournal::pathIn(targetFolder_));
    // The journal kept the run's own target folder from going with its
    // record; it goes now if nothing else is in it.
    if (walkedAll && !state_.targetWasThere) {
        summary.removed += platform_.removeFolder(targetFolder_) ? 1 : 0;
    }
    return summary;
}

void RunUndo::restoreRecordFile(bool walkedAll) {
    // Before its Begin entry a run had not touched uninstall.dat.
    if (!state_.begun) {
        return;
    }
    const bool setAside = std::any_of(
        state_.setAside.begin(), state_.setAside.end(), [this](const SetAsideFile& file) {
            return file.original == recordPath_ && platform_.fileExists(file.aside);
        });
    if (setAside) {
        // The earlier file goes back in the set-aside walk, once the copy
        // that took its place is gone.
        if (walkedAll) {
            platform_.deleteFile(recordPath_);
        }
        return;
    }
    if (!walkedAll) {
        return;
    }
    if (!state_.recordWasThere) {
        // The run made it: what is left of it (a record cut short by a kill
        // has no whole entry to walk) goes.
        platform_.deleteFile(recordPath_);
        return;
    }
    // Still the earlier file itself: this run's records are cut off its end.
    auto bytes = readWholeFile(platform_, recordPath_);
    if (bytes && bytes->size() > state_.recordBytes) {
        bytes->resize(static_cast<size_t>(state_.recordBytes));
        (void)writeWholeFile(platform_, recordPath_, bytes->data(), bytes->size());
    }
}

void RunUndo::undoRegistry() {
    for (auto it = state_.registry.rbegin(); it != state_.registry.rend(); ++it) {
        if (it->kind == RegistryChange::Kind::KeyCreated) {
            registry_.deleteTree(it->root, it->key);
        } else if (it->held == RegistryChange::Held::Text) {
            registry_.setStringValue(it->root, it->key, it->name, it->text);
        } else if (it->held == RegistryChange::Held::Number) {
            registry_.setNumberValue(it->root, it->key, it->name, it->number);
        } else {
            registry_.deleteValue(it->root, it->key, it->name);
        }
    }
}
