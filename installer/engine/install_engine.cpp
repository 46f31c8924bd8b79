#include "installer/engine/install_engine.h"

#include <cwchar>

#include "common/folder_chain.h"
#include "common/text.h"
#include "common/uninstall_record.h"
#include "installer/engine/install_progress.h"

namespace {

std::wstring fileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::wstring unpackTimeLine(uint64_t bytes, std::chrono::steady_clock::duration took) {
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
    wchar_t seconds[32] = {};
    std::swprintf(seconds, 32, L"%lld.%03lld", static_cast<long long>(milliseconds / 1000),
                  static_cast<long long>(milliseconds % 1000));
    return L"Unpack: " + std::to_wstring(bytes) + L" bytes in " + seconds + L" s";
}

InstallEngine::InstallEngine(Platform& platform, UserPrompt& prompt, Registry& registry,
                             const std::wstring& product, CZipFilePackage& reader,
                             UninstallerFiles& uninstaller, std::wstring targetFolder)
    : platform_(platform),
      prompt_(prompt),
      reader_(reader),
      uninstaller_(uninstaller),
      targetFolder_(std::move(targetFolder)),
      journal_(platform, prompt, registry, product, targetFolder_) {}

bool InstallEngine::record(bool isFolder, const std::wstring& path) {
    return isFolder ? journal_.recordFolder(path, platform_.folderExists(path))
                    : journal_.recordFile(path);
}

bool InstallEngine::placeUninstaller() {
    const std::wstring& target = targetFolder_;
    // The longest of the four records; checked before the folder is made, so
    // that a folder whose records cannot be written is not made at all.
    const std::wstring longest = target + L"\\uninstall.exe";
    if (!InstallJournal::fits(true, target) || !InstallJournal::fits(false, longest)) {
        prompt_.showMessage(
            fillTextFormat(L"The path is too long to be recorded for removal: %s", longest),
            MessageIcon::Stop);
        return false;
    }
    const bool alreadyThere = platform_.folderExists(target);
    journal_.mark(alreadyThere);
    if (auto failed = createTargetFolder(platform_, target)) {
        prompt_.showMessage(fillTextFormat(L"Failed to create folder: %s", *failed),
                            MessageIcon::None);
        return false;
    }
    if (!journal_.begin() || !journal_.recordFolder(target, alreadyThere) ||
        !journal_.recordFile(target + L"\\uninstall.ini") ||
        !journal_.recordFile(target + L"\\uninstall.exe") ||
        !journal_.record(false, target + L"\\uninstall.dat")) {
        return false;
    }
    // As before, a missing uninstaller does not stop the install.
    uninstaller_.writeExe(target);
    uninstaller_.writeIni(target);
    return true;
}

bool InstallEngine::install(InstallObserver& observer) {
    observer_ = &observer;
    bool done = placeUninstaller();
    if (done) {
        // Every core inflates and writes; the reader's walk, its callbacks
        // (so the records) and questions stay in the order of a single thread.
        InflatePipeline pipeline(processorCount(), reader_.freeSpaceRule(targetFolder_), prompt_,
                                 [this](const std::wstring& path, size_t length, bool written) {
                                     return chunkWritten(path, length, written);
                                 });
        pipeline_ = &pipeline;
        const int result = reader_.UnCompressPacked(
            this, targetFolder_, &InstallEngine::createEntry, &InstallEngine::endEntry, pipeline,
            [this](std::wstring& folder, int number) {
                return observer_->nextDisc(folder, number);
            });
        pipeline_ = nullptr;
        done = result == CZipFilePackage::kDone;
    }
    targetFile_.reset();
    observer_ = nullptr;
    return done;
}

int InstallEngine::createEntry(void* context, int isFolder, uint32_t chunkCount,
                               const std::wstring& targetFolder, const std::wstring& name) {
    auto& self = *static_cast<InstallEngine*>(context);
    if (self.cancelRequested_) {
        return 0;
    }
    const std::wstring path = targetFolder + L"\\" + name;
    if (isFolder != 0) {
        if (!self.journal_.recordFolder(path, self.platform_.folderExists(path)) ||
            !CreateFolderChain(self.platform_, path)) {
            return 0;
        }
        self.observer_->folderCreated(path);
        return 1;
    }
    if (!self.journal_.recordFile(path)) {
        return 0;
    }
    // An existing file was set aside; missing parents are not created.
    self.targetFile_ = self.platform_.open(path, OpenMode::Write, Share::DenyWrite);
    if (!self.targetFile_) {
        return 0;
    }
    self.pipeline_->setFile(self.targetFile_, path);
    self.observer_->fileBegun(fileNameOf(path), chunkCount);
    return 1;
}

bool InstallEngine::chunkWritten(const std::wstring& path, size_t length, bool written) {
    if (!written) {
        // A full disk: the unpack ends here and the undo runs.
        prompt_.showMessage(fillTextFormat(L"Failed to write %s!", path), MessageIcon::Stop);
        return false;
    }
    observer_->chunkWritten(length);
    return !cancelRequested_;
}

int InstallEngine::endEntry(void* context) {
    auto& self = *static_cast<InstallEngine*>(context);
    // The pipeline closes the file once its last chunk is written.
    self.pipeline_->setFile(nullptr, L"");
    self.targetFile_.reset();
    self.observer_->fileEnded();
    return self.cancelRequested_ ? 0 : 1;
}

void InstallEngine::undo(const std::atomic<bool>& stop, const std::function<void(int)>& position) {
    journal_.undo(stop, reader_.header().entryCount, position);
}
