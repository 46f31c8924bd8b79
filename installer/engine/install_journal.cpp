#include "installer/engine/install_journal.h"

#include <algorithm>

#include "common/formats.h"
#include "common/text.h"
#include "common/uninstall_record.h"
#include "installer/engine/install_progress.h"
#include "installer/engine/install_record.h"

InstallJournal::InstallJournal(Platform& platform, UserPrompt& prompt, std::wstring targetFolder)
    : platform_(platform),
      prompt_(prompt),
      targetFolder_(std::move(targetFolder)),
      recordPath_(targetFolder_ + L"\\" + UninstallRecord::kFileName) {}

bool InstallJournal::fits(bool isFolder, const std::wstring& path) {
    return encodeUninstallRecord(utf16FromWide((isFolder ? L"FOLDER:" : L"FILE:") + path))
        .has_value();
}

bool InstallJournal::begin() {
    if (!platform_.fileExists(recordPath_)) {
        return true;
    }
    auto earlier = readWholeFile(platform_, recordPath_);
    if (!earlier) {
        prompt_.showMessage(fillTextFormat(L"Failed to open %s", recordPath_), MessageIcon::Stop);
        return false;
    }
    // A partial record at the end would shift every record appended after it.
    earlierRecords_ = earlier->size() / kUninstallRecordSize;
    earlier->resize(earlierRecords_ * kUninstallRecordSize);
    if (!setAside(recordPath_)) {
        return false;
    }
    if (!writeWholeFile(platform_, recordPath_, earlier->data(), earlier->size())) {
        prompt_.showMessage(
            fillTextFormat(L"Failed to write the uninstall record for %s!", recordPath_),
            MessageIcon::Stop);
        platform_.deleteFile(recordPath_);
        platform_.moveFile(setAside_.back().second, recordPath_, false);
        setAside_.pop_back();
        return false;
    }
    return true;
}

bool InstallJournal::record(bool isFolder, const std::wstring& path) {
    return RecordInstalledEntry(platform_, prompt_, targetFolder_, isFolder, path);
}

bool InstallJournal::recordFolder(const std::wstring& path, bool alreadyThere) {
    if (!record(true, path)) {
        return false;
    }
    if (alreadyThere) {
        foldersAlreadyThere_.insert(path);
    }
    return true;
}

bool InstallJournal::recordFile(const std::wstring& path) {
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
    if (!platform_.moveFile(path, aside, false)) {
        const std::wstring reason = platform_.lastErrorText();
        prompt_.showMessage(L"Failed to replace " + path + L": " + reason, MessageIcon::Stop);
        return false;
    }
    setAside_.emplace_back(path, aside);
    return true;
}

void InstallJournal::undo(const std::atomic<bool>& stop, uint32_t scale,
                          const std::function<void(int)>& position) {
    UninstallRecord file(platform_, prompt_);
    const std::vector<std::wstring> records = file.LoadUninstallRecords(targetFolder_);
    const size_t first = std::min(earlierRecords_, records.size());
    position(percentOf(records.size() - first, scale, 0));
    bool walkedAll = true;
    for (size_t i = records.size(); i-- > first;) {
        if (stop.load()) {
            walkedAll = false;
            break;
        }
        const RecordAction action = interpretUninstallRecord(records[i]);
        if (action.kind == RecordKind::File) {
            platform_.deleteFile(action.path);
        } else if (action.kind == RecordKind::Folder &&
                   foldersAlreadyThere_.count(action.path) == 0) {
            platform_.removeFolder(action.path);
        }
        position(percentOf(i - first, scale, 0));
    }
    // The copy begin() put in place of an earlier uninstall.dat is this run's
    // even before the run has recorded it (a run can stop on the way there):
    // once every record is undone, the earlier file goes back.
    const bool recordSetAside =
        std::any_of(setAside_.begin(), setAside_.end(),
                    [this](const auto& entry) { return entry.first == recordPath_; });
    if (walkedAll && recordSetAside) {
        platform_.deleteFile(recordPath_);
    }
    for (auto it = setAside_.rbegin(); it != setAside_.rend(); ++it) {
        // A newer file the walk did not reach is recorded and stays; only
        // then is the earlier one given up. Any other failure keeps it.
        if (platform_.fileExists(it->first)) {
            platform_.deleteFile(it->second);
        } else {
            platform_.moveFile(it->second, it->first, false);
        }
    }
    setAside_.clear();
}

void InstallJournal::commit() {
    for (const auto& [original, aside] : setAside_) {
        platform_.deleteFile(aside);
    }
    setAside_.clear();
}
