#include "installer/engine/install_record.h"

#include "common/text.h"
#include "common/uninstall_record.h"

bool RecordInstalledEntry(Platform& platform, UserPrompt& prompt, const std::wstring& targetFolder,
                          bool isFolder, const std::wstring& path) {
    UninstallRecord records(platform, prompt);
    switch (records.AppendUninstallRecord(targetFolder, isFolder, path)) {
        case AppendResult::Written:
            return true;
        case AppendResult::TooLong:
            prompt.showMessage(
                fillTextFormat(L"The path is too long to be recorded for removal: %s", path),
                MessageIcon::Stop);
            return false;
        case AppendResult::NotOpened:
        case AppendResult::NotWritten:
            prompt.showMessage(
                fillTextFormat(L"Failed to write the uninstall record for %s!", path),
                MessageIcon::Stop);
            return false;
    }
    return false;
}
