#include "removal_engine.h"

#include <algorithm>
#include <cwctype>

#include "common/text.h"
#include "common/uninstall_record.h"

namespace {

constexpr int kMaxProgressRange = 0xFFFF;

bool usableKeyName(const std::wstring& name) {
    return !name.empty() && name.find(L'\\') == std::wstring::npos;
}

bool sameKeyName(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) ==
                      std::towlower(static_cast<wint_t>(y));
           });
}

void addKey(std::vector<std::wstring>& keys, const std::wstring& name) {
    for (const std::wstring& key : keys) {
        if (sameKeyName(key, name)) {
            return;
        }
    }
    keys.push_back(name);
}

}  // namespace

int progressRangeFor(int entries) {
    return std::clamp(entries, 0, kMaxProgressRange);
}

std::vector<std::wstring> registryKeysToRemove(const std::wstring& handedExtension,
                                               const std::wstring& handedType) {
    std::vector<std::wstring> keys = {L".kupd", L"KVUpdatePack"};
    if (usableKeyName(handedExtension)) {
        addKey(keys, L"." + handedExtension);
    }
    if (usableKeyName(handedType)) {
        addKey(keys, handedType);
    }
    return keys;
}

std::wstring refusedDeleteAllMessage(const std::wstring& folder) {
    return fillTextFormat(
        L"%s was not emptied: it is a drive root or a folder of Windows or of a user, which holds "
        L"more than the game. Only the files and folders the installer recorded were removed.",
        folder);
}

void RemovalEngine::RemoveRecorded(RemovalView& view, RegistryTrees& registry,
                                   const std::vector<std::wstring>& registryKeys) {
    view.markStage(1);
    UninstallRecord record(platform_, prompt_);
    const int count = record.CountUninstallRecords(recordFolder_);
    view.setProgressRange(progressRangeFor(count));
    for (int k = count; k >= 1; --k) {
        const std::wstring text = entry_(k);
        if (!text.empty()) {
            const RecordAction action = interpretUninstallRecord(text);
            if (action.kind == RecordKind::File) {
                platform_.deleteFile(action.path);
            } else if (action.kind == RecordKind::Folder) {
                platform_.removeFolder(action.path);
            }
        }
        view.stepProgress();
    }
    for (const std::wstring& key : registryKeys) {
        registry.deleteTree(key);
    }
    view.markStage(2);
    view.markStage(3);
}

bool RemovalEngine::DeleteAllUnder(const GuardedFolders& guarded) {
    // Only a first record that names a folder is emptied: a file's path
    // enumerates nothing, and any other word is no folder of ours.
    const RecordAction first = interpretUninstallRecord(entry_(1));
    if (first.kind != RecordKind::Folder || first.path.empty()) {
        return false;
    }
    if (guarded.guards(first.path)) {
        prompt_.showMessage(refusedDeleteAllMessage(first.path), MessageIcon::Warning);
        return false;
    }
    DeleteFolderContents(first.path);
    platform_.removeFolder(first.path);
    return true;
}

void RemovalEngine::DeleteFolderContents(const std::wstring& folder) {
    std::wstring base = folder;
    while (!base.empty() && base.back() == L'\\') {
        base.pop_back();
    }
    for (const FolderEntry& item : platform_.listFolder(base)) {
        const std::wstring path = base + L"\\" + item.name;
        if (item.isFolder) {
            DeleteFolderContents(path);
            platform_.removeFolder(path);
        } else {
            platform_.deleteFile(path);
        }
    }
}
