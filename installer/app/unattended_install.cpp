#include "installer/app/unattended_install.h"

#include <atomic>

#include "common/text.h"
#include "installer/engine/file_verification.h"
#include "installer/engine/package_check.h"
#include "installer/engine/path_rules.h"

namespace {

// What the next-disc prompt would have shown, and that nobody waits for it.
int giveUpWaitingForDisc(RunLog& log, const InstallConfig& config, const std::wstring& folder,
                         int number) {
    constexpr int kFound = -1;
    constexpr int kGiveUp = 1;
    if (number != kFound) {
        log.write(L"Message: " + fillIntegerFormat(config.text(36), number));
        log.write(L"data" + std::to_wstring(number) + L".pck is not in " + folder +
                  L"; an unattended run does not wait for another disc");
    }
    return kGiveUp;
}

// The install page's reports, as lines of the log.
class LoggedUnpack : public InstallObserver {
public:
    LoggedUnpack(RunLog& log, const InstallConfig& config) : log_(log), config_(config) {}

    void folderCreated(const std::wstring& path) override { log_.write(L"Folder: " + path); }
    void fileBegun(const std::wstring& name, uint32_t) override { log_.write(L"File: " + name); }
    void chunkWritten(uint64_t) override {}
    void fileEnded() override {}
    int nextDisc(std::wstring& mediumFolder, int number) override {
        return giveUpWaitingForDisc(log_, config_, mediumFolder, number);
    }

private:
    RunLog& log_;
    const InstallConfig& config_;
};

class LoggedPackageCheck : public PackageCheckView {
public:
    LoggedPackageCheck(RunLog& log, const InstallConfig& config) : log_(log), config_(config) {}
    void beginPackage(const std::wstring& title) override { log_.write(title); }
    void showProgress(int) override {}
    int nextDisc(std::wstring& folder, int number) override {
        return giveUpWaitingForDisc(log_, config_, folder, number);
    }

private:
    RunLog& log_;
    const InstallConfig& config_;
};

// The report, one line per file.
class LoggedVerification : public FileVerificationView {
public:
    explicit LoggedVerification(RunLog& log) : log_(log) {}
    void append(const std::wstring& piece) override {
        line_ += piece;
        if (!line_.empty() && line_.back() == L'\n') {
            while (!line_.empty() && (line_.back() == L'\n' || line_.back() == L'\r')) {
                line_.pop_back();
            }
            log_.write(line_);
            line_.clear();
        }
    }
    void showFileProgress(int) override {}
    void showOverallProgress(int) override {}
    void listDone() override {
        if (!line_.empty()) {
            log_.write(line_);
            line_.clear();
        }
    }
    bool cancelRequested() const override { return false; }

private:
    RunLog& log_;
    std::wstring line_;
};

}  // namespace

bool UnattendedInstall::checkPackages(const std::wstring& mediumFolder) {
    if (!config_.packageCheckFlag) {
        return true;
    }
    // The wizard asks whether to check; checking is the answer that cannot
    // install damaged data.
    log_.write(L"Checking the packages against [md5code] of install.ini");
    LoggedPackageCheck view(log_, config_);
    const std::atomic<bool> stop{false};
    const PackageCheckResult result =
        CheckPackages(platform_, prompt_, mediumFolder, config_.packageDigests,
                      {config_.text(41), config_.text(42)}, view, stop);
    return result == PackageCheckResult::Passed;
}

VerificationEnd UnattendedInstall::verify(const UnattendedOptions& options,
                                          const std::wstring& target) {
    log_.write(L"Verifying the installed files against check.md");
    LoggedVerification view(log_);
    return VerifyInstalledFiles(platform_, prompt_, options.mediumFolder, target,
                                {config_.text(43), config_.text(48), config_.text(50)}, view);
}

InstallExitCode UnattendedInstall::run(const UnattendedOptions& options) {
    log_.write(L"Installing " + config_.product + L" from " + options.mediumFolder);
    const PathDecision decision =
        checkTargetPath(platform_, options.targetFolder, reader_.header().totalSize);
    if (decision.rejection != PathRejection::None) {
        log_.write(L"Target folder refused: " + options.targetFolder);
        prompt_.showMessage(pathRejectionText(decision.rejection, config_), MessageIcon::None);
        log_.write(L"Result: nothing was installed (exit code 1)");
        return kExitNothingInstalled;
    }
    const std::wstring& target = decision.targetFolder;
    log_.write(L"Target folder: " + target);
    finishing_.useTargetFolder(target);
    if (!checkPackages(options.mediumFolder)) {
        log_.write(L"Result: the package check failed, nothing was installed (exit code 2)");
        return kExitUndone;
    }

    InstallEngine engine(platform_, prompt_, registry_, config_.product, reader_, uninstaller_,
                         target);
    LoggedUnpack unpack(log_, config_);
    const auto started = std::chrono::steady_clock::now();
    const bool unpacked = engine.install(unpack);
    log_.write(
        unpackTimeLine(reader_.header().totalSize, std::chrono::steady_clock::now() - started));
    InstallEnding ending(InstallEnding::FrontEnd::Unattended, config_, log_, registry_);
    if (!ending.unpackEnded(engine, unpacked, finishing_)) {
        const std::atomic<bool> stop{false};
        engine.undo(stop, [](int) {});
        ending.undone();
        return ending.exitCode();
    }
    // What the finish page does with its boxes as they start: the file type,
    // the desktop icon. Verification and the game only when asked for.
    if (ending.finish(FinishChoices{true, options.run, options.verify}, finishing_)) {
        ending.verificationEnded(verify(options, target), finishing_);
    }
    return ending.exitCode();
}
