#include "removal_engine.h"

#include <algorithm>

#include "common/text.h"
#include "common/uninstall_record.h"

namespace {

constexpr int kMaxProgressRange = 0xFFFF;

bool usableKeyName(const std::wstring& name) {
    return !name.empty() && name.find(L'\\') == std::wstring::npos;
}

const wchar_t kFixedExtension[] = L".kupd";
const wchar_t kFixedClass[] = L"KVUpdatePack";

}  // namespace

int progressRangeFor(int entries) {
    return std::clamp(entries, 0, kMaxProgressRange);
}

std::wstring programOfCommand(const std::wstring& command) {
    if (!command.empty() && command[0] == L'"') {
        const size_t close = command.find(L'"', 1);
        return command.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    }
    return command.substr(0, command.find(L' '));
}

std::wstring withSeparator(std::wstring folder) {
    while (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder + L'\\';
}

bool commandStartsProgramIn(const std::wstring& command, const std::wstring& folder) {
    const std::wstring program = programOfCommand(command);
    const std::wstring base = withSeparator(folder);
    return !folder.empty() && program.size() > base.size() &&
           sameTextIgnoringCase(program.substr(0, base.size()), base);
}

void removeRegisteredType(Registry& registry, const RegisteredType& handed,
                          const std::wstring& installFolder) {
    constexpr RegistryRoot kClasses = RegistryRoot::ClassesRoot;
    registry.deleteTree(kClasses, kFixedExtension);
    registry.deleteTree(kClasses, kFixedClass);

    const std::wstring extensionKey = L"." + handed.extension;
    if (usableKeyName(handed.extension) && usableKeyName(handed.className) &&
        !sameTextIgnoringCase(extensionKey, kFixedExtension)) {
        const auto current = registry.stringValue(kClasses, extensionKey, L"");
        if (current && sameTextIgnoringCase(*current, handed.className)) {
            if (!handed.extensionExisted) {
                registry.deleteTree(kClasses, extensionKey);
            } else if (handed.previousExtensionValue) {
                registry.setStringValue(kClasses, extensionKey, L"",
                                        *handed.previousExtensionValue);
            } else {
                registry.deleteValue(kClasses, extensionKey, L"");
            }
        }
    }
    if (usableKeyName(handed.className) && !sameTextIgnoringCase(handed.className, kFixedClass)) {
        const auto command =
            registry.stringValue(kClasses, handed.className + L"\\shell\\open\\command", L"");
        if (command && commandStartsProgramIn(*command, installFolder)) {
            registry.deleteTree(kClasses, handed.className);
        }
    }
    if (usableKeyName(handed.uninstallKey)) {
        const std::wstring key = std::wstring(kUninstallKeyParent) + L"\\" + handed.uninstallKey;
        const auto uninstallString =
            registry.stringValue(handed.uninstallRoot, key, L"UninstallString");
        if (uninstallString && !installFolder.empty() &&
            sameTextIgnoringCase(programOfCommand(*uninstallString),
                                 withSeparator(installFolder) + L"uninstall.exe")) {
            registry.deleteTree(handed.uninstallRoot, key);
        }
    }
}

std::wstring refusedDeleteAllMessage(const std::wstring& folder) {
    return fillTextFormat(
        L"%s was not emptied: it is a drive root or a folder of Windows or of a user, which holds "
        L"more than the game. Only the files and folders the installer recorded were removed.",
        folder);
}

bool isUninstallerFile(const std::wstring& folder, const std::wstring& path) {
    if (folder.empty()) {
        return false;
    }
    for (const wchar_t* name : {L"uninstall.exe", L"uninstall.ini", L"uninstall.dat"}) {
        if (sameTextIgnoringCase(path, withSeparator(folder) + name)) {
            return true;
        }
    }
    return false;
}

std::wstring RemovalEngine::installFolder() const {
    const RecordAction first = interpretUninstallRecord(entry_(1));
    return first.kind == RecordKind::Folder ? first.path : std::wstring();
}

void RemovalEngine::RemoveRecorded(RemovalView& view, Registry& registry,
                                   const RegisteredType& handed) {
    // Read before the walk: the first record is gone from disk afterwards
    // only in the profile's fallback, but the answer must not depend on it.
    const std::wstring folder = installFolder();
    view.markStage(1);
    UninstallRecord record(platform_, prompt_);
    const int count = record.CountUninstallRecords(recordFolder_);
    view.setProgressRange(progressRangeFor(count));
    walked_ = count;
    // The uninstaller's own files in the game folder go last (RemoveOwnFiles):
    // a removal killed on the way leaves them, so that the next start of
    // uninstall.exe removes the rest.
    ownFiles_.clear();
    for (int k = count; k >= 1; --k) {
        const std::wstring text = entry_(k);
        const RecordAction action = interpretUninstallRecord(text);
        if (action.kind == RecordKind::File && isUninstallerFile(folder, action.path)) {
            ownFiles_.push_back(action.path);
        } else {
            apply(text);
        }
        view.stepProgress();
    }
    removeRegisteredType(registry, handed, folder);
    view.markStage(2);
    view.markStage(3);
}

void RemovalEngine::RemoveOwnFiles() {
    for (const std::wstring& path : ownFiles_) {
        platform_.deleteFile(path);
    }
    if (!ownFiles_.empty()) {
        platform_.removeFolder(installFolder());
    }
    ownFiles_.clear();
}

void RemovalEngine::apply(const std::wstring& entry) {
    const RecordAction action = interpretUninstallRecord(entry);
    if (action.kind == RecordKind::File) {
        platform_.deleteFile(action.path);
    } else if (action.kind == RecordKind::Folder) {
        platform_.removeFolder(action.path);
    }
}

void RemovalEngine::RemoveLeftovers() {
    for (int k = walked_; k >= 1; --k) {
        apply(entry_(k));
    }
}

bool RemovalEngine::DeleteAllUnder(const GuardedFolders& guarded) {
    // Only a first record that names a folder is emptied: a file's path
    // enumerates nothing, and any other word is no folder of ours.
    const RecordAction first = interpretUninstallRecord(entry_(1));
    if (first.kind != RecordKind::Folder || first.path.empty()) {
        return false;
    }
    // Compared and emptied by its real spelling, so that a short name or a
    // ".." cannot carry a guarded folder past the guard.
    const std::wstring folder = platform_.realPath(first.path);
    if (guarded.guards(folder)) {
        prompt_.showMessage(refusedDeleteAllMessage(first.path), MessageIcon::Warning);
        return false;
    }
    if (platform_.isLink(folder)) {
        prompt_.showMessage(
            fillTextFormat(L"%s was not emptied: it is a link to a folder elsewhere. Only the "
                           L"files and folders the installer recorded were removed.",
                           first.path),
            MessageIcon::Warning);
        return false;
    }
    // The uninstaller's own files stay until everything else has gone, as
    // after the recorded walk.
    for (const FolderEntry& item : platform_.listFolder(folder)) {
        const std::wstring path = withSeparator(folder) + item.name;
        if (!item.isFolder && !item.isLink && isUninstallerFile(folder, path)) {
            ownFiles_.push_back(path);
        } else {
            deleteItem(path, item);
        }
    }
    RemoveOwnFiles();
    platform_.removeFolder(folder);
    return true;
}

void RemovalEngine::DeleteFolderContents(const std::wstring& folder) {
    std::wstring base = folder;
    while (!base.empty() && base.back() == L'\\') {
        base.pop_back();
    }
    for (const FolderEntry& item : platform_.listFolder(base)) {
        deleteItem(base + L"\\" + item.name, item);
    }
}

void RemovalEngine::deleteItem(const std::wstring& path, const FolderEntry& item) {
    if (item.isLink) {
        // The link goes, never what it points to.
        if (item.isFolder) {
            platform_.removeFolder(path);
        } else {
            platform_.deleteFile(path);
        }
    } else if (item.isFolder) {
        DeleteFolderContents(path);
        platform_.removeFolder(path);
    } else {
        platform_.deleteFile(path);
    }
}
