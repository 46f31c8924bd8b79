#include "installer/engine/install_journal.h"

#include <algorithm>

#include "common/formats.h"
#include "common/run_undo.h"
#include "common/text.h"
#include "common/uninstall_record.h"
#include "installer/engine/install_progress.h"
#include "installer/engine/install_record.h"

InstallJournal::InstallJournal(Platform& platform, UserPrompt& prompt, Registry& registry,
                               std::wstring product, std::wstring targetFolder)
    : platform_(platform),
      prompt_(prompt),
      plainRegistry_(registry),
      product_(std::move(product)),
      targetFolder_(std::move(targetFolder)),
      recordPath_(targetFolder_ + L"\\" + UninstallRecord::kFileName) {}

bool InstallJournal::fits(bool isFolder, const std::wstring& path) {
    return encodeUninstallRecord(utf16FromWide((isFolder ? L"FOLDER:" : L"FILE:") + path))
        .has_value();
}

void InstallJournal::mark(bool targetWasThere) {
    targetWasThere_ = targetWasThere;
    marked_ = InterruptedRuns(plainRegistry_).mark(product_, {targetFolder_, targetWasThere});
}

bool InstallJournal::begin() {
    const bool recordWasThere = platform_.fileExists(recordPath_);
    std::optional<std::vector<uint8_t>> earlier;
    if (recordWasThere) {
        earlier = readWholeFile(platform_, recordPath_);
        if (!earlier) {
            prompt_.showMessage(fillTextFormat(L"Failed to open %s", recordPath_),
                                MessageIcon::Stop);
            return false;
        }
        // A partial record at the end would shift every record appended after it.
        earlier->resize(earlier->size() / kUninstallRecordSize * kUninstallRecordSize);
    }
    journal_ = RunJournal::create(platform_, targetFolder_, targetWasThere_, recordWasThere,
                                  earlier ? earlier->size() : 0);
    if (!journal_) {
        prompt_.showMessage(
            fillTextFormat(L"Failed to write %s!", RunJournal::pathIn(targetFolder_)),
            MessageIcon::Stop);
        platform_.deleteFile(RunJournal::pathIn(targetFolder_));
        return false;
    }
    registry_ = std::make_unique<JournaledRegistry>(plainRegistry_, *journal_);
    if (!recordWasThere) {
        return true;
    }
    if (!setAside(recordPath_)) {
        return false;
    }
    if (!writeWholeFile(platform_, recordPath_, earlier->data(), earlier->size())) {
        prompt_.showMessage(
            fillTextFormat(L"Failed to write the uninstall record for %s!", recordPath_),
            MessageIcon::Stop);
        return false;
    }
    return true;
}

Registry& InstallJournal::registry() {
    if (registry_) {
        return *registry_;
    }
    return plainRegistry_;
}

bool InstallJournal::record(bool isFolder, const std::wstring& path) {
    return RecordInstalledEntry(platform_, prompt_, targetFolder_, isFolder, path);
}

bool InstallJournal::recordFolder(const std::wstring& path, bool alreadyThere) {
    // After the commit nothing is undone: a record is all the uninstaller needs.
    if (committed_) {
        return record(true, path);
    }
    if (alreadyThere && (!journal_ || !journal_->folderThere(path))) {
        prompt_.showMessage(
            fillTextFormat(L"Failed to write %s!", RunJournal::pathIn(targetFolder_)),
            MessageIcon::Stop);
        return false;
    }
    return record(true, path);
}

bool InstallJournal::recordFile(const std::wstring& path) {
    if (committed_) {
        return record(false, path);
    }
    // A link would be written through to what it points to, outside the game
    // (and some systems rename its target in its place).
    if (platform_.isLink(path)) {
        prompt_.showMessage(fillTextFormat(L"%s is a link and is not replaced.", path),
                            MessageIcon::Stop);
        return false;
    }
    const std::wstring key = lowerCase(path);
    if (platform_.fileExists(path)) {
        // Written over, the record would hand the undo and the uninstaller
        // the package's bytes as records, naming anything anywhere. Compared
        // by the real paths: a short name or trailing dots name it too.
        if (sameTextIgnoringCase(platform_.realPath(path), platform_.realPath(recordPath_))) {
            prompt_.showMessage(
                fillTextFormat(L"%s is the uninstall record and is not replaced.", path),
                MessageIcon::Stop);
            return false;
        }
        // Set aside before the record: a file that cannot be set aside is not
        // this run's, and its undo must not find it among this run's records.
        // One this run wrote already (named twice by the package, in two
        // letter cases say) is its own: set aside, the undo would put it back.
        if (ownFiles_.count(key) == 0 && !setAside(path)) {
            return false;
        }
    }
    if (!record(false, path)) {
        return false;
    }
    ownFiles_.insert(key);
    return true;
}

bool InstallJournal::setAside(const std::wstring& path) {
    if (platform_.isReadOnly(path)) {
        prompt_.showMessage(fillTextFormat(L"%s is read-only and is not replaced.", path),
                            MessageIcon::Stop);
        return false;
    }
    // A running program can be renamed, but neither written nor deleted: set
    // aside, it would be left behind by a finished install.
    if (!platform_.open(path, OpenMode::Append, Share::All)) {
        prompt_.showMessage(fillTextFormat(L"%s is in use and is not replaced.", path),
                            MessageIcon::Stop);
        return false;
    }
    std::wstring aside = path + kSetAsideSuffix;
    for (int number = 2; platform_.fileExists(aside) || platform_.folderExists(aside); ++number) {
        aside = path + kSetAsideSuffix + std::to_wstring(number);
    }
    // On disk before the rename: afterwards the file's earlier bytes live only
    // under the new name.
    if (!journal_ || !journal_->setAside(path, aside)) {
        prompt_.showMessage(
            fillTextFormat(L"Failed to write %s!", RunJournal::pathIn(targetFolder_)),
            MessageIcon::Stop);
        return false;
    }
    if (!platform_.moveFile(path, aside, false)) {
        const std::wstring reason = platform_.lastErrorText();
        prompt_.showMessage(L"Failed to replace " + path + L": " + reason, MessageIcon::Stop);
        return false;
    }
    return true;
}

void InstallJournal::undo(const std::atomic<bool>& stop, uint32_t scale,
                          const std::function<void(int)>& position) {
    RunJournalState state;
    if (journal_) {
        state = journal_->state();
    } else {
        // Stopped before its journal: at most the target folder was made.
        state.targetWasThere = !marked_ || targetWasThere_;
    }
    // Closed, so that the undo can delete it.
    registry_.reset();
    journal_.reset();
    RunUndo(platform_, prompt_, plainRegistry_, targetFolder_, std::move(state),
            MissingRecord::Report)
        .run(stop, [&](size_t ahead) { position(percentOf(ahead, scale, 0)); });
    end();
}

void InstallJournal::commit() {
    if (!journal_) {
        end();
        return;
    }
    if (!journal_->commit()) {
        // Without its Commit entry a killed end would be undone: the set-aside
        // files stay until the next start rolls the run forward or back.
        return;
    }
    RunJournalState state = journal_->state();
    committed_ = true;
    registry_.reset();
    journal_.reset();
    std::atomic<bool> stop{false};
    RunUndo(platform_, prompt_, plainRegistry_, targetFolder_, std::move(state),
            MissingRecord::Silent)
        .run(stop, [](size_t) {});
    end();
}

void InstallJournal::end() {
    if (marked_) {
        InterruptedRuns(plainRegistry_).unmark(product_);
        marked_ = false;
    }
}
